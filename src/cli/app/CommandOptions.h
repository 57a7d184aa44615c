#pragma once
// The options of a command: "--name value" and "--name=value", each at most once.

#include <QHash>
#include <QString>
#include <QStringList>

#include <variant>

namespace vorlan::app {

struct CommandOptions {
    QHash<QString, QString> values; // by option name ("--template"); a flag's value is empty

    bool has(const QString& option) const { return values.contains(option); }
    QString value(const QString& option) const { return values.value(option); }
};

// Reads the options of args from the index `from` on: those named in `valued` take a value, those in
// `flags` none. A password given on the command line, an option not named, one given twice, a missing
// value and a value given to a flag are refused: then the message (in Chinese, naming the option).
std::variant<CommandOptions, QString> readOptions(const QStringList& args, qsizetype from,
                                                  const QStringList& valued, const QStringList& flags = {});

} // namespace vorlan::app
