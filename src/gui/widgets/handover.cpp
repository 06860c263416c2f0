#include "gui/widgets/handover.h"

namespace HandOver {

namespace {
MailOpener& mailOpener() {
    static MailOpener opener;
    return opener;
}
MotionOpener& motionOpener() {
    static MotionOpener opener;
    return opener;
}
} // namespace

void setMailOpener(MailOpener opener) {
    mailOpener() = std::move(opener);
}
void setMotionOpener(MotionOpener opener) {
    motionOpener() = std::move(opener);
}

QWidget* mail(const QStringList& files, bool anime) {
    return mailOpener() ? mailOpener()(files, anime) : nullptr;
}

QWidget* motion(const QStringList& frames) {
    return motionOpener() ? motionOpener()(frames) : nullptr;
}

} // namespace HandOver
