#include "LinkLabel.h"

#include <QLabel>
#include <QPalette>

#include "WebAddresses.h"
#include "core/Look.h"

namespace linklabel {

void applyLinkLook(QLabel* label, const QString& address) {
    label->setText(web::displayText(address));
    label->setTextFormat(Qt::PlainText);
    label->setFont(look::programFont(18));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, look::bgr(0x00FF0000));
    label->setPalette(pal);
    label->setAccessibleDescription(address);
    label->setMouseTracking(true);
}

bool underlined(const QLabel* label) { return label->font().underline(); }

bool setUnderlined(QLabel* label, bool on) {
    if (underlined(label) == on) return false;
    QFont f = label->font();
    f.setUnderline(on);
    label->setFont(f);
    return true;
}

bool overBareBackground(const QWidget* background, const QPoint& pos) {
    return background->rect().contains(pos) && background->childAt(pos) == nullptr;
}

}  // namespace linklabel
