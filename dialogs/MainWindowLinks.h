#pragma once
// The main window's web links: the label group Label1 (the three field captions and the link
// label Label1(3)) opens the maker's site, the picture Image1 the second site, and the link label
// is underlined while the pointer hovers over the group, until it passes over the bare background.

#include <QList>
#include <QObject>

class Dialogs;
class QLabel;
class QWidget;

class MainWindowLinks : public QObject {
    Q_OBJECT
public:
    // window: the main window's own background (its central widget); Label1: the four labels of
    // the group, the link label last; Image1: the link picture. All are created and placed by the
    // main window; this gives the link label and the picture their text, look and behaviour.
    MainWindowLinks(QWidget* window, QList<QLabel*> Label1, QLabel* Image1, Dialogs& dialogs, QObject* parent = nullptr);

    static constexpr int kLinkIndex = 3;
    static QString linkToolTip() { return QStringLiteral("Programas en español..."); }
    static QString pictureToolTip();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Dialogs& dialogs_;
    void Label1_Click(int Index);
    void Label1_MouseMove(int Index);
    void Form_MouseMove();
    void Image1_Click();
    QLabel* link() const;

    QWidget* window_;
    QList<QLabel*> Label1_;
    QLabel* Image1_;
};
