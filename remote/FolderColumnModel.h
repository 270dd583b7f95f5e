#pragma once
// Geometry of the folder column: one cell per remote folder, a 32 x 32 icon with its caption
// below, stacked from the top of a 49 x 193 panel. Scrolling only moves an offset, so a column of
// thousands of folders re-stacks in constant time. All positions are pixels in the panel.

#include <QPointF>
#include <functional>
#include <QRectF>
#include <QString>
#include <string>
#include <utility>
#include <vector>

namespace remote {

class FolderColumnModel {
public:
    static constexpr int kPanelWidth = 49;
    static constexpr int kPanelHeight = 193;
    static constexpr int kIconLeft = 8;
    static constexpr int kIconSize = 32;
    static constexpr int kCaptionHeight = 15;
    static constexpr int kCellHeight = kIconSize + kCaptionHeight;
    static constexpr double kTwipsPerPixel = 15.0;

    struct Cell {
        std::string name;     // the bytes sent back to the server
        QString caption;      // what the caption shows
        int iconTop = 0;      // before scrolling
        int captionTop = kIconSize;
        QString iconTip;
        QString captionTip;
        mutable int captionWidth = -1;  // measured when first needed
    };

    // How wide a caption is: it sizes itself to its text. Measuring text is slow, so a caption
    // is measured only when it is shown or hit, never for the whole column at once.
    using Measure = std::function<int(const QString&)>;
    void setMeasure(Measure measure) { measure_ = std::move(measure); }

    // A new listing or a disconnect: no cell left and their memory given back, the column back
    // at the top.
    void clear();
    // A folder found by the listing: placed under the previous one, the icon's tooltip its name.
    int add(std::string name, QString caption);
    // The cell filled by hand after creating a folder the listing did not show: placed under the
    // last cell, without tooltips.
    int addByHand(std::string name, QString caption);
    // The layout pass that ends a listing: captions from the second on get their text as tooltip
    // and the column starts again from the top.
    void layout();

    int CantCarpetas() const { return int(cells_.size()); }
    // Cells the column holds storage for, in use or not.
    std::size_t heldCells() const { return cells_.capacity(); }
    const Cell& cell(int k) const { return cells_[std::size_t(k)]; }
    int indexOfName(const std::string& name) const;  // -1 when no cell has it

    // A hidden column (after a disconnect) is neither shown nor hit.
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool hidden() const { return hidden_; }

    // The scroll bar's maximum for the current cells, rounded as the bar's set-up always has
    // (4 folders -> -3, 5 -> 44, 10 -> 279 at 15 twips a pixel). Needs at least one cell.
    int scrollMaximum(double twipsPerPixel = kTwipsPerPixel) const;

    // Moves the column up by value pixels from its laid-out place.
    void restack(int value) { offset_ = value; }
    int offset() const { return offset_; }

    // Where the cells are now, scrolling included.
    int iconTop(int k) const { return cell(k).iconTop - offset_; }
    int captionTop(int k) const { return cell(k).captionTop - offset_; }
    int captionWidth(int k) const;
    // The first caption keeps the template's left edge; the others are centred without
    // rounding, and one wider than the panel overhangs both sides.
    double captionLeft(int k) const { return k == 0 ? 0.0 : (kPanelWidth - captionWidth(k)) / 2.0; }
    QRectF iconRect(int k) const;
    QRectF captionRect(int k) const;
    QRectF cellRect(int k) const { return iconRect(k).united(captionRect(k)); }

    // Cells at least partly inside a panel of the given height: [first, last).
    std::pair<int, int> visibleRange(int panelHeight = kPanelHeight) const;
    int iconAt(QPointF p) const;     // -1 when p is on no icon
    int captionAt(QPointF p) const;  // -1 when p is on no caption

    // The scroll value that brings cell k wholly into view from where the column is now.
    int valueShowing(int k, int panelHeight = kPanelHeight) const;

private:
    int cellAtHeight(double y) const;  // first cell whose bottom lies below y
    Cell& place(std::string name, QString caption);

    std::vector<Cell> cells_;
    int offset_ = 0;
    bool hidden_ = false;
    Measure measure_;
};

}  // namespace remote
