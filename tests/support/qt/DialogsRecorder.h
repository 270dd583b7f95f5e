#pragma once
// Stands in for the real message boxes, input boxes and browser in widget tests: records what
// would have been shown and answers as the test scripted. Hand it to the windows under test.

#include <QList>
#include <QString>
#include <QStringList>

#include "core/Dialogs.h"

class DialogsRecorder : public Dialogs {
public:
    struct Shown {
        enum Kind { Box, Input } kind;
        QString text;   // box text or input prompt
        int style;      // 0 for input boxes
        QString title;  // as passed (empty = application title)
    };

    // Answers for the next boxes (Dialogs::Yes, No, Ok) and input boxes, in order. Without a
    // scripted answer a box answers Ok (No for questions) and an input box answers Cancel ("").
    void answerBoxes(QList<int> answers) { boxAnswers_ += answers; }
    void answerInputs(QStringList texts) { inputAnswers_ += texts; }
    // Answers for the next certificate questions; unscripted ones answer Cancel.
    void answerTrust(QList<ftp::TrustAnswer> answers) { trustAnswers_ += answers; }
    // The same for host key questions.
    void answerHostKeys(QList<ftp::TrustAnswer> answers) { hostKeyAnswers_ += answers; }

    int MsgBox(const QString& text, int style, const QString& title = QString()) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText = QString()) override;
    void openUrl(QWidget* owner, const QString& url) override;
    ftp::TrustAnswer AskTrust(const ftp::TrustQuestion& question) override;
    ftp::TrustAnswer AskHostKey(const ftp::HostKeyQuestion& question) override;

    const QList<Shown>& shown() const { return shown_; }
    QList<Shown> boxes() const;           // message boxes only
    const QStringList& openedUrls() const { return urls_; }
    const QList<ftp::TrustQuestion>& trustQuestions() const { return trustQuestions_; }
    const QList<ftp::HostKeyQuestion>& hostKeyQuestions() const { return hostKeyQuestions_; }
    void clear() { shown_.clear(); urls_.clear(); }

private:
    QList<Shown> shown_;
    QList<int> boxAnswers_;
    QStringList inputAnswers_;
    QStringList urls_;
    QList<ftp::TrustAnswer> trustAnswers_;
    QList<ftp::TrustQuestion> trustQuestions_;
    QList<ftp::TrustAnswer> hostKeyAnswers_;
    QList<ftp::HostKeyQuestion> hostKeyQuestions_;
};
