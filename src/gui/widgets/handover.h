#pragma once
// How a window hands its pictures on to a new mail composer or a new Motion Viewer without
// depending on those windows: the main window registers the openers at start-up.
#include <QStringList>
#include <functional>

class QWidget;

namespace HandOver {

// Opens a new composer with the files attached (anime: sent as an animation, 1.png ... N.png).
using MailOpener = std::function<QWidget*(const QStringList& files, bool anime)>;
// Opens a new Motion Viewer with the frames listed in order.
using MotionOpener = std::function<QWidget*(const QStringList& frames)>;

void setMailOpener(MailOpener opener);
void setMotionOpener(MotionOpener opener);

// The opened window, or nullptr when no opener is registered.
QWidget* mail(const QStringList& files, bool anime = false);
QWidget* motion(const QStringList& frames);

} // namespace HandOver
