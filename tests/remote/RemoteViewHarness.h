#pragma once
// The remote view on a stand-in for the main window, with the dialog recorder installed and
// pop-ups answered by the test instead of a blocking menu.

#include <QAction>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QWidget>
#include <functional>
#include <memory>

#include "DialogsRecorder.h"
#include "core/Look.h"
#include "core/SessionState.h"
#include "remote/FolderColumn.h"
#include "remote/RemoteView.h"

struct MenuState {
    QString text;
    bool visible;
    bool enabled;
};

struct RemoteViewHarness {
    QWidget window;
    QGroupBox* Frame2;
    SessionState session;
    DialogsRecorder dialogs;
    std::unique_ptr<RemoteView> view;
    // What each pop-up showed: its visible items with their states, in order.
    std::vector<std::vector<MenuState>> popups;
    // The item the next pop-ups choose (by object name); empty dismisses them.
    QStringList choose;

    RemoteViewHarness() {
        window.setObjectName(QStringLiteral("F1"));
        window.setFixedSize(look::px(8820), look::px(7155));
        Frame2 = new QGroupBox(QStringLiteral("Servidor"), &window);
        Frame2->setGeometry(look::twipsRect(4440, 2280, 4215, 4215));
        view = std::make_unique<RemoteView>(&window, Frame2, session, dialogs);
        view->setPopupShower([this](QMenu* menu, QPoint) {
            std::vector<MenuState> shown;
            for (QAction* a : menu->actions()) shown.push_back({a->text(), a->isVisible(), a->isEnabled()});
            popups.push_back(shown);
            const QString pick = choose.isEmpty() ? QString() : choose.takeFirst();
            for (QAction* a : menu->actions())
                if (!pick.isEmpty() && a->objectName() == pick && a->isVisible() && a->isEnabled()) a->trigger();
        });
    }

    remote::FolderColumn* column() const { return view->Picfondo(); }
    QStringList files() const {
        QStringList out;
        for (int i = 0; i < view->List1()->count(); ++i) out << view->List1()->item(i)->text();
        return out;
    }
    QStringList folders() const {
        QStringList out;
        for (int k = 0; k < view->CantCarpetas(); ++k) out << view->Lblcarpeta(k);
        return out;
    }
    void select(const QStringList& names) {
        for (int i = 0; i < view->List1()->count(); ++i) {
            QListWidgetItem* item = view->List1()->item(i);
            item->setSelected(names.contains(item->text()));
        }
    }
};
