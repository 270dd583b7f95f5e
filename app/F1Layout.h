#pragma once
// The main window's own controls and menu, created at their design positions. The subsystems'
// controls (local browser, remote view) are added to the frames by their own classes.

#include <array>

#include "HostBox.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QWidget;

struct F1Controls {
    std::array<QLabel*, 4> Label1{};  // "Host:", "Usuario:", "Login:", the link label
    HostBox* lsthost = nullptr;
    QLineEdit* Txtusuario = nullptr;
    QLineEdit* Txtlogin = nullptr;
    QPushButton* cmdconectar = nullptr;
    QPushButton* cmddesconecto = nullptr;
    QLabel* Imgpc = nullptr;
    QPushButton* CmdSubir = nullptr;
    QLabel* Imgservidor = nullptr;
    QLabel* Imgrojo = nullptr;
    QLabel* ImgVerde = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Image1 = nullptr;
};

struct F1Menus {
    QMenu* menu1 = nullptr;
    QAction* configuracion = nullptr;
    QAction* seguridad = nullptr;
    QAction* sincronizar = nullptr;  // enabled only while connected and idle
    QAction* acerca = nullptr;
};

// The client area's logical size in pixels (8820 x 7155 twips).
inline constexpr int kClientWidth = 588;
inline constexpr int kClientHeight = 477;

// Creates every control on client in tab order (host, user, password, connect, then the rest).
F1Controls buildF1Controls(QWidget* client);
F1Menus buildF1Menus(QMenuBar* bar);
