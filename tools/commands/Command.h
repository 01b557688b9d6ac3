// One command of tarvix-db as the registry lists it: its name, its arguments,
// its options with their help lines, and what runs it. Each command defines
// its own in its file; the help, the parser, the completion and the manual
// pages are checked against these descriptions.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tarvix::tool {

// Arguments that do not fit: the message goes out with a pointer to --help (exit code 2).
struct BadArguments {
    QString message;
};

struct Option {
    QString name;               // "force", written --force
    QChar letter;               // 'f' for -f, or none
    QString valueName;          // "FORMAT" when the option takes a value; empty for a switch
    QStringList help;           // its help lines, as the help text shows them under the command
    QStringList examples = {};  // values the completion offers
    // Throws BadArguments when a value cannot be taken; empty when any value will do.
    std::function<void(const QString& value)> check = {};

    bool takesValue() const { return !valueName.isEmpty(); }
    QString longName() const { return QStringLiteral("--") + name; }
};

// What the command line gave the command.
class Invocation {
public:
    QStringList positional;

    bool has(const QString& option) const { return given_.contains(option); }
    // The last value given for the option, or an empty text.
    QString value(const QString& option) const { return given_.value(option); }
    // Every value given for an option that may be repeated, in order.
    QStringList values(const QString& option) const { return all_.value(option); }
    void set(const QString& option, const QString& value)
    {
        given_.insert(option, value);
        all_[option] << value;
    }
    QStringList given() const { return given_.keys(); }

private:
    QHash<QString, QString> given_;
    QHash<QString, QStringList> all_;
};

struct Command {
    QString name;
    // "FIȘIER", "DOSAR": their number is the command's arity; a last one written "SURSĂ..."
    // takes any number, the command itself saying how many it needs.
    QStringList arguments;
    QString wants;     // "un FIȘIER și un DOSAR", for the message when the arguments do not fit
    QStringList help;  // what it does, as the help text shows it
    std::vector<Option> options;
    // Runs with the checked arguments; returns the exit code or throws Failure.
    std::function<int(const Invocation&)> run;
    // The arguments that are folders rather than files, by position (completion offers folders there).
    std::vector<int> folders = {};

    const Option* option(const QString& longName) const;
    bool takesMany() const { return !arguments.isEmpty() && arguments.back().endsWith(QStringLiteral("...")); }
    QString usage() const;
};

// --password for the commands that read an Access file.
Option JetPasswordOption();

}  // namespace tarvix::tool
