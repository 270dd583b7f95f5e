#pragma once
// "Sincronizar carpeta": makes the server's current folder match a local one. Shows the plan
// (what is new, changed, only on the server, the same) before anything is done, sends over
// several connections while showing the progress, and ends with a summary and the failures.
// The work runs off the window's thread (SyncJob); the window polls it.

#include <QDialog>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "SyncJob.h"
#include "core/SleepInhibitor.h"

class Dialogs;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

class SyncWindow : public QDialog {
    Q_OBJECT
public:
    SyncWindow(SyncJob::Connect login, const QString& localFolder, const std::string& remoteFolder,
               ftp::TransferType type, Dialogs& dialogs, QWidget* parent = nullptr);
    ~SyncWindow() override;

    // Compares the folders (again); the plan shows when it is ready.
    void compare();
    void Sincronizar_Click();
    void Cancelar_Click();
    void Cambiar_Click();
    bool ranSync() const { return ran_; }  // the server's folder may have changed

    QLineEdit* localFolder() const { return local_; }
    QLabel* countsLabel() const { return counts_; }
    QComboBox* listChoice() const { return choice_; }
    QListWidget* files() const { return files_; }
    QCheckBox* deleteOnServer() const { return delete_; }
    QLabel* summaryLabel() const { return summary_; }
    QListWidget* failures() const { return failures_; }
    QPushButton* syncButton() const { return sync_; }

public slots:
    void reject() override;  // closing waits for the work to stop

private:
    enum class Stage { Comparing, Planned, Running, Ended };
    void build(const std::string& remoteFolder);
    QGridLayout* buildFolders(const std::string& remoteFolder);
    QGroupBox* buildPlan();
    QHBoxLayout* buildOptions();
    void buildProgress(QVBoxLayout* column);
    QHBoxLayout* buildButtons();
    void setStage(Stage stage);
    void poll();
    void planReady();
    void showList();
    void showProgress();
    void runEnded();
    bool confirmDeletions();

    SyncJob job_;
    std::string remoteTop_;
    ftp::TransferType type_;
    Dialogs& dialogs_;
    Stage stage_ = Stage::Comparing;
    bool closeWhenIdle_ = false;
    bool ran_ = false;
    std::optional<SleepInhibitor> awake_;
    QTimer poll_;

    QLineEdit* local_ = nullptr;
    QLabel* counts_ = nullptr;
    QComboBox* choice_ = nullptr;
    QListWidget* files_ = nullptr;
    QCheckBox* delete_ = nullptr;
    QSpinBox* connections_ = nullptr;
    QLabel* progress_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* speed_ = nullptr;
    QLabel* inFlight_ = nullptr;
    QLabel* summary_ = nullptr;
    QListWidget* failures_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* sync_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* close_ = nullptr;
};
