#pragma once
// The rename window: the file's name split at its last dot into a name box and an extension
// box. "Aceptar" renames NombreActual to the two boxes joined and has the folder listed again;
// the window stays open until its close box, so a second press repeats the request.

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class FcN : public QDialog {
    Q_OBJECT
public:
    // rename(from, to) renames on the server and lists again; its result is not looked at.
    using Rename = std::function<void(const std::string& from, const std::string& to)>;
    FcN(QWidget* parent, Rename rename);

    // Fills the boxes for a file name as the server sent it.
    void setFile(const std::string& fileName);
    const std::string& NombreActual() const { return NombreActual_; }
    // The new name from the boxes: a box left as filled keeps the name's own bytes.
    std::string newName() const;

    void cmdaceptar_Click();

    QLineEdit* Txtnombre() const { return Txtnombre_; }
    QLineEdit* Txtext() const { return Txtext_; }
    QLabel* Label1() const { return Label1_; }
    QLabel* Label2() const { return Label2_; }
    QPushButton* cmdaceptar() const { return cmdaceptar_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    struct Filled {
        QString shown;       // what the box showed when filled
        std::string bytes;   // the bytes behind it
    };
    static std::string boxBytes(const QLineEdit* box, const Filled& filled);

    Rename rename_;
    std::string NombreActual_;
    Filled nombreFilled_;
    Filled extFilled_;
    QLineEdit* Txtnombre_;
    QLineEdit* Txtext_;
    QLabel* Label1_;
    QLabel* Label2_;
    QPushButton* cmdaceptar_;
};
