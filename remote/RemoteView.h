#pragma once
// The remote side of the main window: the current-directory label Lbdir, the up button Cmdup,
// the folder column Picfondo with its scroll bar VScroll1, the file list List1 and its summary
// Lblserv; the listing EnumFiles, navigation, the pop-up menus Menufolder and menucontextual,
// and the remote folder and file commands behind them.

#include <QObject>
#include <QPoint>
#include <functional>
#include <string>

#include "DirStack.h"

namespace ftp {
class Connection;
}

class Dialogs;
class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
class QWidget;
class SessionState;

namespace remote {
class FolderColumn;
}
class FcN;

class RemoteView : public QObject {
    Q_OBJECT
public:
    // window: the main window's client area, where Picfondo sits; Frame2 holds the rest.
    RemoteView(QWidget* window, QGroupBox* Frame2, SessionState& session, Dialogs& dialogs,
               QObject* parent = nullptr);
    ~RemoteView() override;

    // Lists the server's current directory into the view.
    void EnumFiles();
    // After a successful connect, once EnumFiles has run: a new connection starts at level 0.
    void connectedLook();
    // After a disconnect: the list and the folder cells emptied, "Crear carpeta..." gone.
    void disconnectedLook();

    // Controls.
    QListWidget* List1() const { return List1_; }
    QLabel* Lbdir() const { return Lbdir_; }
    QLabel* Lblserv() const { return Lblserv_; }
    QLabel* Label2() const { return Label2_; }
    QPushButton* Cmdup() const { return Cmdup_; }
    QScrollBar* VScroll1() const { return VScroll1_; }
    remote::FolderColumn* Picfondo() const { return Picfondo_; }
    QMenu* Menufolder() const { return Menufolder_; }
    QMenu* menucontextual() const { return menucontextual_; }
    QAction* Crearcarpeta() const { return Crearcarpeta_; }
    QAction* eliminarcarpeta() const { return eliminarcarpeta_; }
    QAction* eliminar() const { return eliminar_; }
    QAction* cambiarnombre() const { return cambiarnombre_; }

    // The listing as the other parts read it.
    int CantCarpetas() const;
    QString Lblcarpeta(int k) const;       // caption of folder cell k
    std::string folderName(int k) const;   // its name as the server sent it
    std::string currentDirectory() const { return lbdirBytes_; }
    std::string PilaDirs(int k) const { return dirs_.PilaDirs(k); }
    int NivelDir() const { return dirs_.NivelDir(); }
    std::string eliminarcarpetaTag() const;  // the folder the folder menu's "Eliminar" removes
    // The scroll maximum of the last set-up, before the bar clamps it at 0.
    int scrollMaximum() const { return scrollMaximum_; }

    // Event handlers.
    void PicFolder_DblClick(int Index);
    void Cmdup_Click();
    void PicFolder_MouseUp(int Index, Qt::MouseButton Button, QPoint globalPos);
    void Picfondo_MouseUp(Qt::MouseButton Button, QPoint globalPos);
    void List1_MouseUp(Qt::MouseButton Button, QPoint globalPos);
    void Lbdir_MouseMove();
    void VScroll1_Change(int value);
    void VScroll1_Scroll(int value);
    void Crearcarpeta_Click();
    void Eliminar_Click();
    void eliminarcarpeta_Click();
    void cambiarnombre_Click();

    // How pop-ups and the rename window are shown; tests replace these so nothing blocks.
    using PopupShower = std::function<void(QMenu* menu, QPoint globalPos)>;
    void setPopupShower(PopupShower shower) { showPopup_ = std::move(shower); }
    using RenameRunner = std::function<void(FcN& dialog)>;
    void setRenameRunner(RenameRunner runner) { runRename_ = std::move(runner); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(QWidget* window, QGroupBox* Frame2);
    void createMenus(QWidget* window);
    void wireEvents();
    void setLbdir(std::string bytes);
    void setUpScrollBar();
    void restack(int value);
    void setList1Background(unsigned bgr);
    // A user action that talks to the server starts only when nothing else is in flight.
    bool idle() const;
    // One FTP call on the open connection, with the wait pointer and the operation guard; the
    // folder is listed again when it succeeds. False when it failed or nothing is connected.
    bool callThenList(const std::function<bool(ftp::Connection&)>& call);
    void renameAndList(const std::string& from, const std::string& to);

    SessionState& session_;
    Dialogs& dialogs_;
    QWidget* window_;
    QLabel* Label2_ = nullptr;
    QLabel* Lbdir_ = nullptr;
    QPushButton* Cmdup_ = nullptr;
    QScrollBar* VScroll1_ = nullptr;
    QListWidget* List1_ = nullptr;
    QObject* List1Viewport_ = nullptr;  // compared only, never dereferenced
    QLabel* Lblserv_ = nullptr;
    remote::FolderColumn* Picfondo_ = nullptr;
    QMenu* Menufolder_ = nullptr;
    QMenu* menucontextual_ = nullptr;
    QAction* Crearcarpeta_ = nullptr;
    QAction* eliminarcarpeta_ = nullptr;
    QAction* eliminar_ = nullptr;
    QAction* cambiarnombre_ = nullptr;

    remote::DirStack dirs_;
    std::string lbdirBytes_ = "/";
    bool listing_ = false;
    int scrollMaximum_ = 0;
    PopupShower showPopup_;
    RenameRunner runRename_;
};
