// The remote folder and file commands of the pop-up menus: create and delete a folder, delete
// the selected files, rename a file.

#include <QAction>
#include <QListWidget>

#include "FcN.h"
#include "FolderColumn.h"
#include "RemoteName.h"
#include "RemoteView.h"
#include "core/BusyCursor.h"
#include "core/Dialogs.h"
#include "core/SessionState.h"

using remote::displayName;

namespace {
constexpr int kNameRole = Qt::UserRole;

std::string itemName(const QListWidgetItem* item) { return remote::fromBytes(item->data(kNameRole).toByteArray()); }

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }
}  // namespace

void RemoteView::Crearcarpeta_Click() {
    if (!idle()) return;
    const QString typed = remote::trimSpaces(dialogs_.InputBox(
        QStringLiteral("Escriba el nombre de la carpeta"), QStringLiteral("Crear carpeta")));
    if (typed.isEmpty()) return;
    const std::string name = remote::typedName(typed);
    const bool created = callThenList([&](ftp::Connection& c) { return bool(c.createDirectory(name)); });
    if (!created && session_.givingUp()) return;
    if (!created) {
        dialogs_.showError(QStringLiteral("No se pudo crear la carpeta ") + quoted(typed), QStringLiteral("Error"));
        return;
    }
    // A server that does not list the new folder still shows it until the next listing.
    remote::FolderColumnModel& cells = Picfondo_->model();
    if (cells.indexOfName(name) < 0) {
        cells.addByHand(name, typed);
        Picfondo_->cellsChanged();
        // Reachable like any other cell: the bar is set up for the column as it now is.
        setUpScrollBar();
    }
}

void RemoteView::Eliminar_Click() {
    if (!idle()) return;
    int count = 0;
    QListWidgetItem* firstSelected = nullptr;
    std::vector<std::string> names;
    for (int i = 0; i < List1_->count(); ++i) {
        QListWidgetItem* item = List1_->item(i);
        if (!item->isSelected()) continue;
        ++count;
        if (!firstSelected) firstSelected = item;
        names.push_back(itemName(item));
    }
    if (count == 0) return;
    Dialogs& dialogs = dialogs_;

    if (count == 1) {
        const QString shown = firstSelected->text();
        if (dialogs.MsgBox(QStringLiteral("¿Desea Eliminar el archivo ") + shown + QStringLiteral(" ?"),
                           Dialogs::Question, QStringLiteral("Confirmar")) != Dialogs::Yes)
            return;
        const bool deleted =
            callThenList([&](ftp::Connection& c) { return bool(c.deleteFile(names.front())); });
        if (!deleted && !session_.givingUp())
            dialogs.showError(QStringLiteral("Error al intentar eliminar el archivo ") + shown);
        return;
    }

    if (dialogs.MsgBox(QStringLiteral("¿Desea Eliminar los archivos seleccionados (%1) ?").arg(count),
                       Dialogs::Question, QStringLiteral("Confirmar")) != Dialogs::Yes)
        return;
    SessionState::Operation operation(session_);
    BusyCursor busy;
    // Every selected file is tried; one that cannot be deleted does not stop the others.
    for (const std::string& name : names) {
        if (session_.givingUp()) break;
        if (ftp::Connection* conn = session_.hConexion.get()) (void)conn->deleteFile(name);
    }
    EnumFiles();
}

void RemoteView::eliminarcarpeta_Click() {
    if (!idle()) return;
    const std::string name = eliminarcarpetaTag();
    const QString shown = displayName(name);
    Dialogs& dialogs = dialogs_;
    if (dialogs.MsgBox(QStringLiteral("Confirma eliminar el directorio ") + shown, Dialogs::Question) == Dialogs::No)
        return;
    const bool removed = callThenList([&](ftp::Connection& c) { return bool(c.removeDirectory(name)); });
    if (!removed && !session_.givingUp())
        dialogs.showError(QStringLiteral("No se ha podido eliminar la carpeta ") + quoted(shown),
                          QStringLiteral("Error"));
}

void RemoteView::cambiarnombre_Click() {
    if (!idle()) return;
    const QListWidgetItem* first = nullptr;
    for (int i = 0; i < List1_->count() && !first; ++i)
        if (List1_->item(i)->isSelected()) first = List1_->item(i);
    if (!first) return;
    FcN dialog(window_->window(), [this](const std::string& from, const std::string& to) { renameAndList(from, to); });
    dialog.setFile(itemName(first));
    runRename_(dialog);
}

void RemoteView::renameAndList(const std::string& from, const std::string& to) {
    if (!idle()) return;
    SessionState::Operation operation(session_);
    BusyCursor busy;
    // A refused rename is not reported: the new listing shows what is there.
    if (ftp::Connection* conn = session_.hConexion.get()) (void)conn->rename(from, to);
    EnumFiles();
}
