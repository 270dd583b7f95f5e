#include "Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {
QWidget* activeParent() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) w = QApplication::activeWindow();
    return w;
}
}  // namespace

int QtDialogs::MsgBox(const QString& text, int style, const QString& title) {
    QMessageBox box(activeParent());
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    // File names go into these texts: never let one be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    // Every text of the program is Spanish, so the buttons are too, whatever the system language.
    if (style == Question) {
        box.setIcon(QMessageBox::Question);
        QPushButton* yes = box.addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Yes : No;
    }
    box.setIcon(style == Critical ? QMessageBox::Critical : QMessageBox::Warning);
    QPushButton* ok = box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return Ok;
}

QString QtDialogs::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    QInputDialog dlg(activeParent());
    dlg.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    dlg.setLabelText(prompt);
    dlg.setTextValue(defaultText);
    dlg.setOkButtonText(QStringLiteral("Aceptar"));
    dlg.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dlg.exec() != QDialog::Accepted) return QString();
    return dlg.textValue();
}

void QtDialogs::openUrl(QWidget*, const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

template <class AskWindow, class Asked>
ftp::TrustAnswer QtDialogs::ask(const AskWindow& window, const Asked& question) {
    if (!window) return ftp::TrustAnswer::Cancel;
    // The question comes in the middle of a connect, under the wait pointer.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const ftp::TrustAnswer answer = window(activeParent(), question);
    QApplication::restoreOverrideCursor();
    return answer;
}

ftp::TrustAnswer QtDialogs::AskTrust(const ftp::TrustQuestion& question) { return ask(trustWindow_, question); }

ftp::TrustAnswer QtDialogs::AskHostKey(const ftp::HostKeyQuestion& question) { return ask(hostKeyWindow_, question); }
