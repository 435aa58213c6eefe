#pragma once

// orte-cli's standard output and error as any console shows them: a Windows console through
// its wide-character interface, whatever its code page; elsewhere in the locale's encoding
// (UTF-8 on most systems); a file or a pipe on Windows in UTF-8.

#include <QIODevice>
#include <QTextCodec>
#include <QTextStream>

#include <cstdio>

namespace orte_cli {

class console_device : public QIODevice
{
public:
    explicit console_device(std::FILE *file);
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    std::FILE *file;
    void *console = nullptr; // the console's handle, when the stream is one (Windows)
    QTextCodec *codec = nullptr; // the locale's encoding, where it is not UTF-8 (elsewhere)
};

// A text stream over `file` that writes as above.
class console
{
public:
    explicit console(std::FILE *file);
    QTextStream &stream() { return text; }

private:
    console_device device;
    QTextStream text;
};

// Whether the stream is a terminal (for the progress line).
bool is_terminal(std::FILE *file);

} // namespace orte_cli
