// orvane-admin: the administrator's command-line tool. It uses the same code as the program.

#include "admin_common.h"

#include "platform/interaction.h"

#include <QCoreApplication>

#include <cstdio>

AdminArgs::AdminArgs(const QStringList& words, const QStringList& valueOptions,
                     const QStringList& flagOptions)
{
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (valueOptions.contains(word)) {
            if (i + 1 >= words.size()) {
                m_error = QStringLiteral("option %1 needs a value").arg(word);
                return;
            }
            m_values.append({word, words[++i]});
        } else if (flagOptions.contains(word)) {
            m_flags.append(word);
        } else if (word.startsWith(QLatin1String("--"))) {
            m_error = QStringLiteral("unknown option %1").arg(word);
            return;
        } else {
            m_positional.append(word);
        }
    }
}

std::optional<QString> AdminArgs::value(const QString& option) const
{
    for (const auto& [name, value] : m_values) {
        if (name == option)
            return value;
    }
    return std::nullopt;
}

void printOut(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

void printErr(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

namespace {
void usage()
{
    printErr(QStringLiteral("usage: orvane-admin COMMAND ...\n"
                            "  config write --dir DIR [--compression 0|1|2|3] KEY=VALUE...\n"
                            "  config show --dir DIR\n"
                            "  db init --dir DIR\n"
                            "  login --dir DIR --server HOST[:PORT] --user U --password P\n"
                            "  demo --dir DIR [--students N]\n"
                            "  passwd --dir DIR --oper JSID --password P\n"
                            "  restore --dir DIR FILE\n"
                            "  export --dir DIR --table T --out FILE.xlsx|FILE.XA1\n"
                            "  import --dir DIR --table T --key K FILE.xls|.xlsx|.csv|.XA1\n"
                            "  score --dir DIR --sex 男|女 --group 12|34 --item CODE --value V\n"
                            "  score --dir DIR --sex 男|女 --bmi --height H --weight W\n"
                            "  rescore --dir DIR --year XN\n"
                            "  standard import --dir DIR [--from FOLDER] --yes"));
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList words = app.arguments().mid(1);
    if (words.isEmpty()) {
        usage();
        return kExitUsage;
    }
    // Messages of the shared code go to stderr; questions are answered No.
    ConsoleInteraction console;
    ScopedInteraction installed(console);

    const QString command = words.takeFirst();
    try {
        if (command == QLatin1String("config"))
            return runConfigCommand(words);
        if (command == QLatin1String("db"))
            return runDbCommand(words);
        if (command == QLatin1String("login"))
            return runLoginCommand(words);
        if (command == QLatin1String("demo"))
            return runDemoCommand(words);
        if (command == QLatin1String("passwd"))
            return runPasswdCommand(words);
        if (command == QLatin1String("restore"))
            return runRestoreCommand(words);
        if (command == QLatin1String("export"))
            return runExportCommand(words);
        if (command == QLatin1String("import"))
            return runImportCommand(words);
        if (command == QLatin1String("score"))
            return runScoreCommand(words);
        if (command == QLatin1String("rescore"))
            return runRescoreCommand(words);
        if (command == QLatin1String("standard"))
            return runStandardCommand(words);
    } catch (const std::exception& e) {
        printErr(QString::fromUtf8(e.what()));
        return kExitFailed;
    }
    usage();
    return kExitUsage;
}
