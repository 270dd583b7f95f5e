#pragma once
// A main window on a private settings file, loaded as at start-up, and closed after each test.

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "DialogsRecorder.h"
#include "app/F1.h"
#include "core/SessionState.h"
#include "core/SettingsStore.h"

class F1Fixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store =
        std::make_unique<SettingsStore>(dir.path() + QStringLiteral("/pelicano/pelicano.ini"));
    SessionState session;
    DialogsRecorder dialogs;
    std::unique_ptr<F1> w;

    void TearDown() override {
        if (w) w->close();
    }

    // Stores the given value the way a previous run (or a hand edit) would have.
    void put(const char* app, const char* section, const char* key, const QString& value) {
        EXPECT_TRUE(store->Guardar(QString::fromUtf8(app), QString::fromUtf8(section), QString::fromUtf8(key), value));
    }
    QString get(const char* app, const char* section, const char* key) const {
        return store->Leer(QString::fromUtf8(app), QString::fromUtf8(section), QString::fromUtf8(key));
    }
    void storeHost(int slot, const QString& host, const QString& user) {
        put("PELICANO", "lista", QByteArray::number(slot).constData(), host);
        if (!user.isEmpty()) put("PELICANO", "usuario", QByteArray::number(slot).constData(), user);
    }

    QString desktop() const { return dir.path() + QStringLiteral("/Desktop"); }

    F1& load() {
        w = std::make_unique<F1>(*store, session, dialogs);
        QDir().mkpath(desktop());
        w->setDesktopFolder(desktop());
        w->Form_Load();
        return *w;
    }
    const F1Controls& c() const { return w->controls(); }
    QWidget* focused() const { return w->focusWidget(); }
    QStringList hostItems() const {
        QStringList out;
        for (int i = 0; i < c().lsthost->count(); ++i) out << c().lsthost->itemText(i);
        return out;
    }
};
