#include "cli/mailcommand.h"

#include "cli/commands.h"
#include "core/mail/mailfile.h"
#include "core/mail/sendmail.h"
#include "core/util/appsettings.h"
#include "core/util/messages.h"
#include "core/util/profile.h"
#include "core/util/textfile.h"

#include <QFileInfo>
#include <QTextStream>

namespace Cli {

int runMail(const QStringList& args, QTextStream& out, QTextStream& err) {
    Command cmd("mail",
                "Sends the files as attachments of one mail, as the mail window does. LIST is\n"
                "addresses separated by \",\" (\"name<addr>\" allowed). The body file is UTF-8,\n"
                "or CP932 when it is not valid UTF-8.",
                "  0  the server accepted the mail\n  1  usage error\n"
                "  5  not sent (the reason follows)\n",
                0, -1);
    const QCommandLineOption toOpt = cmd.option("to", "recipients (required)", "LIST");
    const QCommandLineOption ccOpt = cmd.option("cc", "copy recipients", "LIST");
    const QCommandLineOption bccOpt = cmd.option("bcc", "hidden recipients", "LIST");
    const QCommandLineOption subjectOpt = cmd.option("subject", "the subject", "TEXT");
    const QCommandLineOption bodyOpt = cmd.option("body-file", "the body's text", "FILE");
    const QCommandLineOption animeOpt =
        cmd.option("anime", "send the files as animation frames 1.png, 2.png, ...");
    const QCommandLineOption smtpOpt =
        cmd.option("smtp", "mail server; default: [Mail] SMTP of QUILMOAP.INI", "HOST[:PORT]");
    const QCommandLineOption fromOpt =
        cmd.option("from", "sender; default: [Mail] Address of QUILMOAP.INI", "ADDR");
    cmd.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("files to attach"),
                                     QStringLiteral("FILE..."));
    if (const auto code = cmd.parse(args, out, err)) return *code;
    const QCommandLineParser& p = cmd.parser;
    const auto usageError = [&](const QString& why) { return cmd.fail(err, why); };
    const QString to = p.value(toOpt), bodyFile = p.value(bodyOpt);
    const bool haveSmtp = p.isSet(smtpOpt), haveFrom = p.isSet(fromOpt);
    QString smtp = p.value(smtpOpt), from = p.value(fromOpt);
    const QStringList files = p.positionalArguments();
    if (to.trimmed().isEmpty()) return usageError(QStringLiteral("--to is required"));
    for (const QString& f : files)
        if (f.contains(u',') || f.contains(u'\t'))
            return usageError(
                QStringLiteral("a file name with \",\" or TAB cannot be sent: %1").arg(f));
    QString refused;
    const std::optional<QString> recipients =
        SendMailArgs::recipients(to, p.value(ccOpt), p.value(bccOpt), &refused);
    if (!recipients) return usageError(refused);

    if (!haveSmtp || !haveFrom) {
        Profile ini;
        const QString path = AppPaths::settingsFile();
        if (!ini.load(path)) return usageError(ini.errorString());
        const AppSettings settings = readSettings(ini);
        if (!haveSmtp) smtp = settings.smtp;
        if (!haveFrom) from = settings.address;
        if (smtp.isEmpty()) return usageError(QStringLiteral("no --smtp and none in %1").arg(path));
        if (from.isEmpty()) return usageError(QStringLiteral("no --from and none in %1").arg(path));
    }

    QString body;
    if (!bodyFile.isEmpty()) {
        QByteArray bytes;
        QString reason;
        if (TextFile::read(bodyFile, Msg::bodyFileKind(), &bytes, &reason) !=
            TextFile::ReadResult::Ok)
            return usageError(reason.isEmpty() ? QStringLiteral("no such file: %1").arg(bodyFile)
                                               : reason);
        qsizetype badLine = 0;
        const std::optional<QString> text = MailFile::decodeText(bytes, nullptr, &badLine);
        if (!text)
            return usageError(QStringLiteral("%1, line %2: neither UTF-8 nor CP932 text")
                                  .arg(bodyFile)
                                  .arg(badLine));
        body = *text;
        body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        body.replace(u'\r', u'\n');
        body.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    }

    const QString result = SendMail(smtp, *recipients, from, p.value(subjectOpt), body,
                                    SendMailArgs::attachments(files.join(u','), p.isSet(animeOpt)));
    if (!result.isEmpty()) {
        err << "quilmo mail: " << result << "\n";
        return 5;
    }
    return 0;
}

} // namespace Cli
