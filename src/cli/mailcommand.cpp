#include "cli/mailcommand.h"

#include "core/mail/mailfile.h"
#include "core/mail/sendmail.h"
#include "core/util/appsettings.h"
#include "core/util/messages.h"
#include "core/util/profile.h"
#include "core/util/textfile.h"

#include <QFileInfo>
#include <QTextStream>

namespace Cli {

namespace {

const char* const mailUsage =
    "usage: quilmo mail --to LIST [--cc LIST] [--bcc LIST] [--subject TEXT]\n"
    "                   [--body-file FILE] [--anime] [--smtp HOST[:PORT]] [--from ADDR] FILE...\n"
    "  LIST        addresses separated by \",\" (\"name<addr>\" allowed)\n"
    "  --anime     send the files as animation frames 1.png, 2.png, ...\n"
    "  --smtp      mail server; default: [Mail] SMTP of QUILMOAP.INI\n"
    "  --from      sender; default: [Mail] Address of QUILMOAP.INI\n";

int usageError(const QString& why) {
    QTextStream(stderr) << "quilmo mail: " << why << "\n" << mailUsage;
    return 1;
}

} // namespace

int runMail(const QStringList& args) {
    QString to, cc, bcc, subject, bodyFile, smtp, from;
    bool haveTo = false, haveSmtp = false, haveFrom = false, anime = false;
    QStringList files;
    const QStringList valued = {"--to",        "--cc",   "--bcc", "--subject",
                                "--body-file", "--smtp", "--from"};
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            QTextStream(stdout) << mailUsage;
            return 0;
        }
        if (a == QLatin1String("--anime")) {
            anime = true;
        } else if (valued.contains(a)) {
            if (i + 1 >= args.size()) return usageError(QStringLiteral("%1 needs a value").arg(a));
            const QString v = args[++i];
            if (a == QLatin1String("--to"))
                to = v, haveTo = true;
            else if (a == QLatin1String("--cc"))
                cc = v;
            else if (a == QLatin1String("--bcc"))
                bcc = v;
            else if (a == QLatin1String("--subject"))
                subject = v;
            else if (a == QLatin1String("--body-file"))
                bodyFile = v;
            else if (a == QLatin1String("--smtp"))
                smtp = v, haveSmtp = true;
            else
                from = v, haveFrom = true;
        } else if (a == QLatin1String("--")) {
            files += args.mid(i + 1);
            break;
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option: %1").arg(a));
        } else {
            files.append(a);
        }
    }
    if (!haveTo || to.trimmed().isEmpty()) return usageError(QStringLiteral("--to is required"));
    for (const QString& f : files)
        if (f.contains(u',') || f.contains(u'\t'))
            return usageError(
                QStringLiteral("a file name with \",\" or TAB cannot be sent: %1").arg(f));
    QString refused;
    const std::optional<QString> recipients = SendMailArgs::recipients(to, cc, bcc, &refused);
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

    const QString result = SendMail(smtp, *recipients, from, subject, body,
                                    SendMailArgs::attachments(files.join(u','), anime));
    if (!result.isEmpty()) {
        QTextStream(stderr) << "quilmo mail: " << result << "\n";
        return 5;
    }
    return 0;
}

} // namespace Cli
