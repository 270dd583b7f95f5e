// Creating and deleting folders, deleting files and renaming, against a real server.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ServerFixture.h"
#include "remote/FcN.h"

namespace {

using Operations = RemoteServerTest;

TEST_F(Operations, CreateFolderTrimsTheNameAndSendsNothingForBlankOrCancel) {
    connect();
    h.dialogs.answerInputs({QString(), QStringLiteral("   "), QStringLiteral("  nueva carpeta  ")});
    h.choose = {QStringLiteral("Crearcarpeta"), QStringLiteral("Crearcarpeta"), QStringLiteral("Crearcarpeta")};
    for (int i = 0; i < 3; ++i) h.view->Picfondo_MouseUp(Qt::RightButton, {});
    ASSERT_EQ(h.dialogs.shown().size(), 3);
    EXPECT_EQ(h.dialogs.shown()[0].text, QStringLiteral("Escriba el nombre de la carpeta"));
    EXPECT_EQ(h.dialogs.shown()[0].title, QStringLiteral("Crear carpeta"));
    EXPECT_TRUE(h.dialogs.boxes().isEmpty());
    EXPECT_TRUE(onDisk("nueva carpeta"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(srv->root()), {}), 1);
    EXPECT_EQ(h.folders(), QStringList{QStringLiteral("nueva carpeta")});
    EXPECT_EQ(h.view->CantCarpetas(), 1);
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(Operations, CreateRefusedShowsTheNameInQuotesAndDoesNotListAgain) {
    mkdir("existe");
    connect();
    file("nuevo.txt");  // would show if the folder were listed again
    h.dialogs.answerInputs({QStringLiteral("existe"), QStringLiteral("a\r\nDELE nuevo.txt")});
    h.view->Crearcarpeta_Click();
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("No se pudo crear la carpeta \"existe\""));
    EXPECT_EQ(h.dialogs.boxes()[0].style, 16);
    EXPECT_EQ(h.dialogs.boxes()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(h.view->List1()->count(), 0);

    // A typed line break never reaches the server.
    h.view->Crearcarpeta_Click();
    ASSERT_EQ(h.dialogs.boxes().size(), 2);
    EXPECT_TRUE(onDisk("nuevo.txt"));
    EXPECT_FALSE(onDisk("a"));
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(Operations, DeleteOneFileAsksFirstAndReportsAFailure) {
    file("a.txt");
    file("b.txt");
    connect();
    h.select({QStringLiteral("a.txt")});
    h.view->Eliminar_Click();  // the recorder answers No
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("¿Desea Eliminar el archivo a.txt ?"));
    EXPECT_EQ(h.dialogs.boxes()[0].style, 36);
    EXPECT_EQ(h.dialogs.boxes()[0].title, QStringLiteral("Confirmar"));
    EXPECT_TRUE(onDisk("a.txt"));

    h.dialogs.answerBoxes({Dialogs::Yes});
    h.choose = {QStringLiteral("eliminar")};
    h.view->List1_MouseUp(Qt::RightButton, {});
    EXPECT_FALSE(onDisk("a.txt"));
    EXPECT_EQ(h.files(), QStringList{QStringLiteral("b.txt")});

    // Gone from the server meanwhile: the error box, and the old listing stays.
    std::filesystem::remove(disk("b.txt"));
    h.select({QStringLiteral("b.txt")});
    h.dialogs.clear();
    h.dialogs.answerBoxes({Dialogs::Yes});
    h.view->Eliminar_Click();
    ASSERT_EQ(h.dialogs.boxes().size(), 2);
    EXPECT_EQ(h.dialogs.boxes()[1].text, QStringLiteral("Error al intentar eliminar el archivo b.txt"));
    EXPECT_EQ(h.dialogs.boxes()[1].style, 16);
    EXPECT_TRUE(h.dialogs.boxes()[1].title.isEmpty());
    EXPECT_EQ(h.files(), QStringList{QStringLiteral("b.txt")});
    EXPECT_FALSE(QApplication::overrideCursor());

    // Nothing selected: no question at all.
    h.select({});
    h.view->Eliminar_Click();
    EXPECT_EQ(h.dialogs.boxes().size(), 2);
}

TEST_F(Operations, DeleteSeveralTriesEveryFileSilentlyAndListsOnce) {
    file("a.txt");
    file("b.txt");
    file("c.txt");
    file("d.txt");
    connect();
    // b.txt becomes something DELE cannot remove (works as root too).
    std::filesystem::remove(disk("b.txt"));
    mkdir("b.txt");
    h.select({QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")});
    h.view->Eliminar_Click();  // No
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("¿Desea Eliminar los archivos seleccionados (3) ?"));
    EXPECT_TRUE(onDisk("a.txt"));

    h.dialogs.answerBoxes({Dialogs::Yes});
    h.view->Eliminar_Click();
    EXPECT_EQ(h.dialogs.boxes().size(), 2);  // only the question
    EXPECT_FALSE(onDisk("a.txt"));
    EXPECT_FALSE(onDisk("c.txt"));
    EXPECT_EQ(h.files(), QStringList{QStringLiteral("d.txt")});
    EXPECT_EQ(h.folders(), QStringList{QStringLiteral("b.txt")});
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(Operations, DeleteFolderAsksAndReportsANonEmptyFolder) {
    mkdir("vacia");
    mkdir("llena");
    file("llena/x");
    connect();
    h.choose = {QStringLiteral("eliminarcarpeta")};
    h.view->PicFolder_MouseUp(folderIndex(QStringLiteral("vacia")), Qt::RightButton, {});  // No
    ASSERT_EQ(h.dialogs.boxes().size(), 1);
    EXPECT_EQ(h.dialogs.boxes()[0].text, QStringLiteral("Confirma eliminar el directorio vacia"));
    EXPECT_EQ(h.dialogs.boxes()[0].style, 36);
    EXPECT_TRUE(h.dialogs.boxes()[0].title.isEmpty());
    EXPECT_TRUE(onDisk("vacia"));

    h.dialogs.answerBoxes({Dialogs::Yes, Dialogs::Yes});
    h.choose = {QStringLiteral("eliminarcarpeta"), QStringLiteral("eliminarcarpeta")};
    h.view->PicFolder_MouseUp(folderIndex(QStringLiteral("vacia")), Qt::RightButton, {});
    EXPECT_FALSE(onDisk("vacia"));
    EXPECT_EQ(h.folders(), QStringList{QStringLiteral("llena")});

    h.view->PicFolder_MouseUp(folderIndex(QStringLiteral("llena")), Qt::RightButton, {});
    ASSERT_EQ(h.dialogs.boxes().size(), 4);
    EXPECT_EQ(h.dialogs.boxes()[3].text, QStringLiteral("No se ha podido eliminar la carpeta \"llena\""));
    EXPECT_EQ(h.dialogs.boxes()[3].title, QStringLiteral("Error"));
    EXPECT_TRUE(onDisk("llena/x"));
    EXPECT_FALSE(h.view->eliminarcarpeta()->isEnabled());
}

// Opens the rename window through the file list's pop-up, lets edit() change its boxes, then
// presses "Aceptar" presses times.
void renameThroughMenu(RemoteViewHarness& h, const QStringList& selected, std::function<void(FcN&)> edit,
                       int presses = 1) {
    h.select(selected);
    h.view->setRenameRunner([&](FcN& dialog) {
        edit(dialog);
        for (int i = 0; i < presses; ++i) dialog.cmdaceptar()->click();
    });
    h.choose = {QStringLiteral("cambiarnombre")};
    h.view->List1_MouseUp(Qt::RightButton, {});
}

TEST_F(Operations, RenameExamplesEndToEnd) {
    for (const char* name : {"informe.pdf", "archivo.tar.gz", ".perfil", "copia.", "LEEME", "otro.txt"}) file(name);
    connect();
    struct Case {
        QString selected, nombre, ext, typedNombre, typedExt;
        const char* after;
    };
    const Case cases[] = {
        {QStringLiteral("informe.pdf"), QStringLiteral("informe"), QStringLiteral(".pdf"), {}, {}, "informe.pdf"},
        {QStringLiteral("archivo.tar.gz"), QStringLiteral("archivo.tar"), QStringLiteral(".gz"), {}, QStringLiteral(".tgz"),
         "archivo.tar.tgz"},
        {QStringLiteral(".perfil"), QString(), QStringLiteral(".perfil"), QStringLiteral("mi"), {}, "mi.perfil"},
        {QStringLiteral("copia."), QStringLiteral("copia"), QStringLiteral("."), {}, QStringLiteral(".bak"), "copia.bak"},
        {QStringLiteral("LEEME"), QStringLiteral("LEEME"), QStringLiteral(".txt"), {}, {}, "LEEME.txt"},
        {QStringLiteral("otro.txt"), QStringLiteral("otro"), QStringLiteral(".txt"), QStringLiteral("nombre completo.md"),
         QStringLiteral(""), "nombre completo.md"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected.toStdString());
        renameThroughMenu(h, {c.selected}, [&](FcN& d) {
            EXPECT_EQ(d.Txtnombre()->text(), c.nombre);
            EXPECT_EQ(d.Txtext()->text(), c.ext);
            EXPECT_EQ(d.NombreActual(), c.selected.toStdString());
            if (!c.typedNombre.isNull()) d.Txtnombre()->setText(c.typedNombre);
            if (!c.typedExt.isNull()) d.Txtext()->setText(c.typedExt);
        });
        EXPECT_TRUE(onDisk(c.after));
        EXPECT_TRUE(h.files().contains(QString::fromStdString(c.after)));
    }
    EXPECT_TRUE(h.dialogs.boxes().isEmpty());
}

TEST_F(Operations, RenameTakesTheFirstSelectedStaysOpenAndReportsNothing) {
    file("a.txt");
    file("b.txt");
    connect();
    // The first selected in list order is offered, whatever order the server listed them in.
    const std::string first = h.files()[0].toStdString();
    const std::string other = h.files()[1].toStdString();
    int listedWhileOpen = 0;
    // Two presses: the second repeats the request for a name that is gone, silently.
    renameThroughMenu(
        h, {QStringLiteral("a.txt"), QStringLiteral("b.txt")},
        [&](FcN& d) {
            EXPECT_EQ(d.NombreActual(), first);
            d.Txtnombre()->setText(QStringLiteral("c"));
            QObject::connect(d.cmdaceptar(), &QPushButton::clicked, &d, [&] { listedWhileOpen = h.view->List1()->count(); });
        },
        2);
    EXPECT_TRUE(onDisk("c.txt"));
    EXPECT_FALSE(onDisk(first));
    EXPECT_EQ(listedWhileOpen, 2);

    // An empty new name and a name with a line break are refused without a word.
    const QString left = QString::fromStdString(other);
    renameThroughMenu(h, {left}, [](FcN& d) {
        d.Txtnombre()->setText(QString());
        d.Txtext()->setText(QString());
    });
    renameThroughMenu(h, {left}, [](FcN& d) { d.Txtnombre()->setText(QStringLiteral("x\ny")); });
    EXPECT_TRUE(onDisk(other));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(srv->root()), {}), 2);
    EXPECT_TRUE(h.dialogs.boxes().isEmpty());
}

class Latin1Names : public RemoteServerTest {
protected:
    Latin1Names() : RemoteServerTest({.encoding = "latin1"}) {}
};

TEST_F(Latin1Names, NamesThatAreNotUtf8AreDeletedAndRenamedByTheirBytes) {
    // Latin-1 names on the server's disk: not valid UTF-8.
    file("caf\xe9.txt");
    file("a\xf1o.log");
    mkdir("espa\xf1" "a");
    connect();
    EXPECT_TRUE(h.files().contains(QStringLiteral("café.txt")));
    EXPECT_EQ(h.folders(), QStringList{QStringLiteral("españa")});
    EXPECT_EQ(h.view->folderName(0), "espa\xf1" "a");

    // The untouched name box keeps the name's own bytes; only the typed extension is UTF-8.
    renameThroughMenu(h, {QStringLiteral("café.txt")}, [](FcN& d) { d.Txtext()->setText(QStringLiteral(".dat")); });
    EXPECT_TRUE(onDisk("caf\xe9.dat"));

    h.dialogs.answerBoxes({Dialogs::Yes});
    h.select({QStringLiteral("año.log")});
    h.view->Eliminar_Click();
    EXPECT_FALSE(onDisk("a\xf1o.log"));

    h.view->PicFolder_DblClick(0);
    EXPECT_EQ(h.view->Lbdir()->text(), QStringLiteral("/españa"));
    h.view->Cmdup_Click();
    h.dialogs.answerBoxes({Dialogs::Yes});
    h.choose = {QStringLiteral("eliminarcarpeta")};
    h.view->PicFolder_MouseUp(0, Qt::RightButton, {});
    EXPECT_FALSE(onDisk("espa\xf1" "a"));
    EXPECT_EQ(h.dialogs.boxes().size(), 2);  // the two questions, no error
}

}  // namespace
