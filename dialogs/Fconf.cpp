#include "Fconf.h"

#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>

#include "core/Artwork.h"
#include "core/Dialogs.h"
#include "core/Look.h"
#include "core/NumberText.h"
#include "core/SessionState.h"
#include "core/SettingsNames.h"
#include "core/SettingsStore.h"

using namespace settingsnames;

namespace {

template <typename W>
W* place(W* w, const char* name, QRect geometry) {
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    return w;
}
}  // namespace

Fconf::Fconf(SessionState& session, SettingsStore& store, Dialogs& dialogs)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      session_(session),
      store_(store),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("Fconf"));
    setWindowTitle(QStringLiteral("Configuración de Pelicano 2.0"));
    setWindowIcon(artwork::programIcon());
    setFixedSize(look::px(3855), look::px(2595));
    // An open configuration window must not keep the program alive once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);
    buildControls();
}

void Fconf::buildControls() {
    using look::twipsRect;
    Label1 = place(new QLabel(QStringLiteral("Conectar al puerto:"), this), "Label1", twipsRect(240, 240, 2430, 345));
    Label1->setFont(look::namedFont(QStringLiteral("Tahoma"), 14.25));

    Txtport = place(new QLineEdit(this), "Txtport", twipsRect(2880, 240, 495, 375));
    Txtport->setFont(look::namedFont(QStringLiteral("MS Sans Serif"), 13.5, true));
    QPalette pal = Txtport->palette();
    pal.setColor(QPalette::Base, look::bgr(0x00404040));
    pal.setColor(QPalette::Text, look::bgr(0x0000FF00));
    Txtport->setPalette(pal);
    Txtport->setTextMargins(0, 0, 0, 0);
    Txtport->setAccessibleName(Label1->text());
    connect(Txtport, &QLineEdit::textChanged, this, &Fconf::fitPortText);
    Label1->setBuddy(Txtport);

    cmdguardo = place(new QPushButton(artwork::saveIcon(), QStringLiteral("Guardar"), this), "cmdguardo",
                      twipsRect(720, 1680, 2295, 735));
    cmdguardo->setFont(look::namedFont(QStringLiteral("MS Sans Serif"), 13.5));
    cmdguardo->setIconSize(QSize(32, 32));
    connect(cmdguardo, &QPushButton::clicked, this, &Fconf::cmdguardo_Click);

    Frame1 = place(new QGroupBox(QStringLiteral("Tipo de datos"), this), "Frame1", twipsRect(480, 720, 2895, 735));
    Frame1->setFont(look::programFont(9.75));
    const QFont optionFont = look::namedFont(QStringLiteral("MS Sans Serif"), 9.75);
    OptBin = place(new QRadioButton(QStringLiteral("Binario"), Frame1), "OptBin", twipsRect(120, 360, 1215, 255));
    OptAsc = place(new QRadioButton(QStringLiteral("ASCII"), Frame1), "OptAsc", twipsRect(1560, 360, 855, 255));
    Opt3 = place(new QRadioButton(QStringLiteral("Detectar"), Frame1), "Opt3", twipsRect(2160, 360, 1095, 255));
    for (QRadioButton* o : {OptBin, OptAsc, Opt3}) o->setFont(optionFont);
    // Selected only to show neither visible option as chosen; the user can never reach it.
    Opt3->setVisible(false);
    connect(OptAsc, &QRadioButton::toggled, this, [this](bool on) { if (on) OptAsc_Click(); });
    connect(OptBin, &QRadioButton::toggled, this, [this](bool on) { if (on) OptBin_Click(); });

    setTabOrder(Txtport, cmdguardo);
    setTabOrder(cmdguardo, OptBin);
    setTabOrder(OptBin, OptAsc);
    setTabOrder(OptAsc, Opt3);
}

// The box is only wide enough for three digits at its design size; a longer port would scroll
// and show, say, "154" for 2154. Smaller type shows the whole number in the same box.
void Fconf::fitPortText() {
    constexpr qreal kDesignSize = 13.5, kSmallest = 6;
    QFont font = Txtport->font();
    // The frame, two pixels of margin each side, and one for the cursor.
    const qreal room = Txtport->width() - 2 * Txtport->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 5;
    qreal size = kDesignSize;
    for (; size > kSmallest; size -= 0.5) {
        font.setPointSizeF(size);
        if (QFontMetricsF(font).horizontalAdvance(Txtport->text()) <= room) break;
    }
    font.setPointSizeF(size);
    Txtport->setFont(font);
}

void Fconf::open() {
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    loadDesignValues();
    Form_Load();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    Txtport->setFocus();
}

void Fconf::loadDesignValues() {
    // The port in effect, so that saving only the transfer type keeps a custom port.
    Txtport->setText(QString::number(session_.Puerto == 0 ? 21 : session_.Puerto));
}

void Fconf::Form_Load() {
    // Selecting an option runs its handler, which writes back the value just read.
    if (session_.TipoTransferencia == 1)
        OptAsc->setChecked(true);
    else if (session_.TipoTransferencia == 2)
        OptBin->setChecked(true);
    else
        Opt3->setChecked(true);
}

void Fconf::OptAsc_Click() { session_.TipoTransferencia = 1; }

void Fconf::OptBin_Click() { session_.TipoTransferencia = 2; }

void Fconf::cmdguardo_Click() {
    // Empty, not a number, or no usable port: the box shows and saves "21".
    const numbertext::PortChoice choice = numbertext::portFromTyped(Txtport->text());
    if (Txtport->text() != choice.text) Txtport->setText(choice.text);
    const bool saved = store_.Guardar(kApplication, kConfigurationSection, kPortKey, choice.text) &&
                       store_.Guardar(kApplication, kConfSection, kTransferKey,
                                      OptBin->isChecked() ? QStringLiteral("2") : QStringLiteral("1"));
    session_.Puerto = choice.port;
    // The values still hold for this run; the user learns they will not outlive it.
    if (!saved) dialogs_.showError(store_.unsavedText(), QStringLiteral("Error"));
    close();
}
