#pragma once
// A main window stand-in holding the local browser, the session and the upload controller,
// with local files in a temporary folder.

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <memory>

#include "DialogsRecorder.h"
#include "core/SessionState.h"
#include "local/LocalBrowser.h"
#include "upload/F2.h"
#include "upload/UploadController.h"

struct UploadHarness {
    QTemporaryDir dir;
    QWidget F1;
    QGroupBox* Frame1 = new QGroupBox(&F1);
    DialogsRecorder dialogs;
    LocalBrowser local{Frame1, dialogs};
    SessionState session;
    int listings = 0;
    std::function<void()> onListing;
    UploadController controller{&F1, local, session, dialogs, [this] {
                                    ++listings;
                                    if (onListing) onListing();
                                }};

    UploadHarness() { F1.resize(400, 400); }
    ~UploadHarness() {
        if (F2* w = controller.uploadWindow()) w->finish();
        F1.close();
    }

    QByteArray makeFile(const QString& name, qint64 size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i) bytes[i] = char((i * 7 + name.size()) % 251);
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return bytes;
    }
    // Shows dir in the browser and selects the given rows.
    void select(std::initializer_list<int> rows) {
        local.setFolder(dir.path());
        for (int r : rows) local.File1()->item(r)->setSelected(true);
    }
};
