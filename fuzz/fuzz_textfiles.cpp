// The text files a user's disk may hold: settings, address book, mail files. Any bytes must
// give a clean answer, and a settings file that reads must write back byte for byte.
#include "core/mail/mailfile.h"
#include "core/util/addressbook.h"
#include "core/util/profile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Profile ini;
    if (ini.parse(bytes)) {
        if (ini.toBytes() != bytes) __builtin_trap();
        for (const QString& section : ini.sections())
            for (const QString& key : ini.keys(section)) (void)ini.value(section, key);
        ini.setValue(QStringLiteral("Mail"), QStringLiteral("SMTP"), QStringLiteral("mx"));
        Profile again;
        if (!again.parse(ini.toBytes()) ||
            again.value(QStringLiteral("Mail"), QStringLiteral("SMTP")) != QLatin1String("mx"))
            __builtin_trap();
    }
    AddressFile book;
    if (book.parse(bytes) && book.entries.size() > AddressFile::MaxEntries) __builtin_trap();
    if (const auto text = MailFile::decodeText(bytes))
        (void)MailFile::parse(text->split(QStringLiteral("\r\n")));
    return 0;
}
