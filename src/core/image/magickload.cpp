// Opening the ImageMagick module (magickdecode.h) and starting it under our policy.
#include "core/image/magickdecode.h"

#include "core/util/fileio.h"

#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace ImageCodec::Magick6 {

namespace {

// Some builds refuse SetMagickSecurityPolicy (a Debian 12 point release without its security
// updates returns false for any policy). The library also reads policy.xml from the folders
// named by MAGICK_CONFIGURE_PATH when it starts, so the same policy is put there too: in a
// private folder that only lives until the library has read it.
class PolicyFolder {
public:
    explicit PolicyFolder(const char* policy) {
        const QString temp = QDir::tempPath();
        QByteArray pattern =
            (QFileInfo(temp).isDir() ? temp.toLocal8Bit() : "/tmp") + "/quilmo-policy-XXXXXX";
        if (!mkdtemp(pattern.data())) return;
        path = pattern;
        QString why;
        if (!FileIO::write(QString::fromLocal8Bit(path + "/policy.xml"), QByteArrayView(policy),
                           &why))
            return;
        const char* old = std::getenv("MAGICK_CONFIGURE_PATH");
        hadOld = old != nullptr;
        if (hadOld) oldValue = old;
        const QByteArray value = hadOld ? path + ':' + oldValue : path;
        setenv("MAGICK_CONFIGURE_PATH", value.constData(), 1);
        written = true;
    }
    ~PolicyFolder() {
        if (written) {
            if (hadOld)
                setenv("MAGICK_CONFIGURE_PATH", oldValue.constData(), 1);
            else
                unsetenv("MAGICK_CONFIGURE_PATH");
        }
        if (!path.isEmpty()) QDir(QString::fromLocal8Bit(path)).removeRecursively();
    }

private:
    QByteArray path, oldValue;
    bool hadOld = false, written = false;
};

// The module beside the program's real file (/usr/bin/quilmo is a link), by its full name:
// never through the current folder or the loader's search path, where anyone could plant one.
const Module* open(QString* why) {
    std::error_code ec;
    const auto exe = std::filesystem::canonical("/proc/self/exe", ec);
    if (ec) {
        *why = QStringLiteral("/proc/self/exe: %1").arg(QString::fromStdString(ec.message()));
        return nullptr;
    }
    const auto file = exe.parent_path() / "quilmo-magick.so";
    const QString name = QString::fromLocal8Bit(file.c_str());
    if (!std::filesystem::is_regular_file(file, ec)) {
        *why = name + QStringLiteral(": not a regular file");
        return nullptr;
    }
    void* lib = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        *why = QString::fromLocal8Bit(dlerror());
        return nullptr;
    }
    using Entry = decltype(&quilmo_magick_module);
    const auto entry = reinterpret_cast<Entry>(dlsym(lib, "quilmo_magick_module"));
    const Module* m = entry ? entry() : nullptr;
    if (!m || m->version != Module::currentVersion) {
        *why = name + QStringLiteral(": not this program's module");
        return nullptr; // left open: a library's own start-up may not be undone safely
    }
    return m;
}

} // namespace

const Started& start() {
    static const Started started = [] {
        Started s;
        s.module = open(&s.problem);
        if (!s.module) return s;
        const PolicyFolder folder(s.module->policy);
        // The tests stand for a build whose call fails by not making it.
        s.policyApplied = s.module->start(!std::getenv("QUILMO_TEST_POLICY_FILE_ONLY"), &s.problem);
        return s;
    }();
    return started;
}

} // namespace ImageCodec::Magick6
