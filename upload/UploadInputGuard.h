#pragma once
// While an upload runs, the main window takes no user input (its menus and other windows it
// owns included) but the upload window and any message box stay usable. Closing the main window
// then becomes a request to cancel the upload; the close is replayed once the upload is over.
// Installed for its lifetime.

#include <QObject>
#include <functional>

class QWidget;

class UploadInputGuard : public QObject {
    Q_OBJECT
public:
    UploadInputGuard(QWidget* mainWindow, QWidget* uploadWindow, std::function<void()> onCloseRequest);
    ~UploadInputGuard() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToMainWindow(QWidget* w) const;

    QWidget* mainWindow_;
    QWidget* uploadWindow_;
    std::function<void()> onCloseRequest_;
};
