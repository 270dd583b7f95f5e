#include "MainWindowLinks.h"

#include <QLabel>
#include <QMouseEvent>
#include <utility>

#include "core/Artwork.h"
#include "LinkLabel.h"
#include "WebAddresses.h"
#include "core/Dialogs.h"

namespace {
bool isLeftClick(const QWidget* w, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    const auto* me = static_cast<QMouseEvent*>(event);
    return me->button() == Qt::LeftButton && w->rect().contains(me->position().toPoint());
}
}  // namespace

QString MainWindowLinks::pictureToolTip() {
    return QStringLiteral("Visite %1: más programas gratuitos").arg(web::displayText(web::secondAddress()));
}

MainWindowLinks::MainWindowLinks(QWidget* window, QList<QLabel*> Label1, QLabel* Image1, Dialogs& dialogs,
                                 QObject* parent)
    : QObject(parent), dialogs_(dialogs), window_(window), Label1_(std::move(Label1)), Image1_(Image1) {
    if (QLabel* l = link()) {
        linklabel::applyLinkLook(l, web::makerAddress());
        l->setToolTip(linkToolTip());
        l->setCursor(artwork::linkCursor());
    }
    for (QLabel* l : Label1_) {
        l->setMouseTracking(true);
        l->installEventFilter(this);
    }
    if (Image1_) {
        Image1_->setPixmap(artwork::globe());
        Image1_->setScaledContents(true);
        Image1_->setToolTip(pictureToolTip());
        Image1_->setAccessibleName(pictureToolTip());
        Image1_->setCursor(artwork::linkCursor());
        Image1_->installEventFilter(this);
    }
    if (window_) {
        window_->setMouseTracking(true);
        window_->installEventFilter(this);
    }
}

QLabel* MainWindowLinks::link() const {
    return Label1_.size() > kLinkIndex ? Label1_.at(kLinkIndex) : nullptr;
}

bool MainWindowLinks::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::MouseMove) {
        // Moves over controls without tracking bubble up to the background: only bare background counts.
        if (linklabel::overBareBackground(window_, static_cast<QMouseEvent*>(event)->position().toPoint()))
            Form_MouseMove();
        return false;
    }
    if (watched == Image1_ && Image1_) {
        if (isLeftClick(Image1_, event)) Image1_Click();
        return false;
    }
    const int index = Label1_.indexOf(qobject_cast<QLabel*>(watched));
    if (index < 0) return false;
    if (event->type() == QEvent::MouseMove) {
        Label1_MouseMove(index);
        return true;  // not passed on to the background
    }
    if (isLeftClick(Label1_.at(index), event)) Label1_Click(index);
    return false;
}

void MainWindowLinks::Label1_Click(int) {
    dialogs_.openUrl(window_ ? window_->window() : nullptr, web::makerAddress());
}

void MainWindowLinks::Label1_MouseMove(int) {
    QLabel* l = link();
    if (l && !linklabel::underlined(l)) linklabel::setUnderlined(l, true);
}

void MainWindowLinks::Form_MouseMove() {
    QLabel* l = link();
    if (l && linklabel::underlined(l)) linklabel::setUnderlined(l, false);
}

void MainWindowLinks::Image1_Click() {
    dialogs_.openUrl(window_ ? window_->window() : nullptr, web::secondAddress());
}
