#include "DialogsRecorder.h"


int DialogsRecorder::MsgBox(const QString& text, int style, const QString& title) {
    shown_.append({Shown::Box, text, style, title});
    if (!boxAnswers_.isEmpty()) return boxAnswers_.takeFirst();
    return style == Question ? No : Ok;
}

QString DialogsRecorder::InputBox(const QString& prompt, const QString& title, const QString&) {
    shown_.append({Shown::Input, prompt, 0, title});
    return inputAnswers_.isEmpty() ? QString() : inputAnswers_.takeFirst();
}

void DialogsRecorder::openUrl(QWidget*, const QString& url) { urls_.append(url); }

ftp::TrustAnswer DialogsRecorder::AskTrust(const ftp::TrustQuestion& question) {
    trustQuestions_.append(question);
    return trustAnswers_.isEmpty() ? ftp::TrustAnswer::Cancel : trustAnswers_.takeFirst();
}

ftp::TrustAnswer DialogsRecorder::AskHostKey(const ftp::HostKeyQuestion& question) {
    hostKeyQuestions_.append(question);
    return hostKeyAnswers_.isEmpty() ? ftp::TrustAnswer::Cancel : hostKeyAnswers_.takeFirst();
}

QList<DialogsRecorder::Shown> DialogsRecorder::boxes() const {
    QList<Shown> out;
    for (const auto& s : shown_)
        if (s.kind == Shown::Box) out.append(s);
    return out;
}
