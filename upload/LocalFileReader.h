#pragma once
// The engine's file reader as the upload window uses it: a QString path (a local name that may
// hold bytes that are not UTF-8), and error texts that name the file.

#include <QString>

#include "ftp/FileReader.h"

class LocalFileReader : public ftp::FileReader {
public:
    // Opens path for reading and takes its length. False on failure, with errorText() set.
    bool open(const QString& path);

    // What went wrong, in Spanish, naming the file.
    QString errorText() const;

private:
    QString path_;  // as shown in messages
};
