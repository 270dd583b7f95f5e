#pragma once
// The configuration window: the port for the next connection and the transfer type of uploads.
// A top-level window with no owner; the main window stays usable while it is open.

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Dialogs;
class SessionState;
class SettingsStore;

class Fconf : public QWidget {
    Q_OBJECT
public:
    Fconf(SessionState& session, SettingsStore& store, Dialogs& dialogs);

    // Shows the window afresh from its design values, or only brings it forward when it is open.
    void open();

private:
    void buildControls();
    void fitPortText();
    void loadDesignValues();
    void Form_Load();
    void OptAsc_Click();
    void OptBin_Click();
    void cmdguardo_Click();

    SessionState& session_;
    SettingsStore& store_;
    Dialogs& dialogs_;
    QLabel* Label1 = nullptr;
    QLineEdit* Txtport = nullptr;
    QPushButton* cmdguardo = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* OptBin = nullptr;
    QRadioButton* OptAsc = nullptr;
    QRadioButton* Opt3 = nullptr;
};
