#include "FolderColumnModel.h"

#include "RemoteName.h"

#include <algorithm>
#include <cmath>

namespace remote {

namespace {
// Integer division as the scroll set-up always did it: both operands rounded to whole numbers
// (halves to even), then the quotient truncated toward zero.
double roundedDivide(double a, double b) {
    const double x = std::nearbyint(a);
    const double y = std::nearbyint(b);
    return std::trunc(x / y);
}
}  // namespace

void FolderColumnModel::clear() {
    // The storage goes too: a vector's clear() keeps it, 1,000,000 cells' worth after a long listing.
    std::vector<Cell>().swap(cells_);
    offset_ = 0;
    hidden_ = false;
}

FolderColumnModel::Cell& FolderColumnModel::place(std::string name, QString caption) {
    Cell c;
    c.name = std::move(name);
    c.caption = std::move(caption);
    if (!cells_.empty()) {
        const Cell& prev = cells_.back();
        c.iconTop = prev.captionTop + kCaptionHeight;
        c.captionTop = c.iconTop + kIconSize;
    }
    cells_.push_back(std::move(c));
    return cells_.back();
}

int FolderColumnModel::add(std::string name, QString caption) {
    Cell& c = place(std::move(name), std::move(caption));
    c.iconTip = remote::plainTip(c.caption);
    return CantCarpetas() - 1;
}

int FolderColumnModel::addByHand(std::string name, QString caption) {
    place(std::move(name), std::move(caption));
    return CantCarpetas() - 1;
}

void FolderColumnModel::layout() {
    offset_ = 0;
    // The first caption keeps the template's left edge and has no tooltip of its own.
    for (std::size_t i = 1; i < cells_.size(); ++i) cells_[i].captionTip = remote::plainTip(cells_[i].caption);
}

int FolderColumnModel::indexOfName(const std::string& name) const {
    for (std::size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i].name == name) return int(i);
    return -1;
}

// The maximum the program's documents give for the bar, kept step for step: B and K in twips but
// H in pixels, as the program always mixed them. With 47-pixel cells it comes to 47 n - 191 for n
// folders, two pixels past the column's real overflow (47 n - 193), so the last caption always
// scrolls wholly into view; four folders give a negative maximum, a bar with nothing to scroll.
int FolderColumnModel::scrollMaximum(double t) const {
    if (cells_.empty()) return 0;
    const double B = (cells_.back().captionTop + kCaptionHeight) * t;  // twips
    const double H = kPanelHeight;                                     // pixels
    const double K = kCellHeight * t;                                  // twips
    double v = roundedDivide(B - H, t);
    v -= roundedDivide(H, K);
    v -= H - 15;
    return int(std::nearbyint(v));
}

QRectF FolderColumnModel::iconRect(int k) const {
    return QRectF(kIconLeft, iconTop(k), kIconSize, kIconSize);
}

QRectF FolderColumnModel::captionRect(int k) const {
    return QRectF(captionLeft(k), captionTop(k), captionWidth(k), kCaptionHeight);
}

int FolderColumnModel::captionWidth(int k) const {
    const Cell& c = cell(k);
    if (c.captionWidth < 0) c.captionWidth = measure_ ? measure_(c.caption) : 0;
    return c.captionWidth;
}

int FolderColumnModel::cellAtHeight(double y) const {
    const auto it = std::partition_point(cells_.begin(), cells_.end(), [&](const Cell& c) {
        return c.captionTop + kCaptionHeight - offset_ <= y;
    });
    return int(it - cells_.begin());
}

std::pair<int, int> FolderColumnModel::visibleRange(int panelHeight) const {
    if (hidden_) return {0, 0};
    const int first = cellAtHeight(0);
    const auto it = std::partition_point(cells_.begin() + first, cells_.end(),
                                         [&](const Cell& c) { return c.iconTop - offset_ < panelHeight; });
    return {first, int(it - cells_.begin())};
}

int FolderColumnModel::iconAt(QPointF p) const {
    if (hidden_) return -1;
    const int k = cellAtHeight(p.y());
    return k < CantCarpetas() && iconRect(k).contains(p) ? k : -1;
}

int FolderColumnModel::captionAt(QPointF p) const {
    if (hidden_) return -1;
    const int k = cellAtHeight(p.y());
    return k < CantCarpetas() && captionRect(k).contains(p) ? k : -1;
}

int FolderColumnModel::valueShowing(int k, int panelHeight) const {
    const Cell& c = cell(k);
    const int bottom = c.captionTop + kCaptionHeight;
    if (c.iconTop < offset_) return c.iconTop;
    if (bottom > offset_ + panelHeight) return bottom - panelHeight;
    return offset_;
}

}  // namespace remote
