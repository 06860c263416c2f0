#pragma once
// The process-wide settings of the editor and where they live on disk.
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>

class Profile;

namespace Keys {
// Sections and keys of "QUILMOAP.INI", in one place.
inline constexpr char MainForm[] = "MainForm";
inline constexpr char Left[] = "Left";
inline constexpr char Top[] = "Top";
inline constexpr char Width[] = "Width";
inline constexpr char Height[] = "Height";
inline constexpr char Default[] = "Default";
inline constexpr char Folder[] = "Folder";
inline constexpr char Dir[] = "Dir";
inline constexpr char Mail[] = "Mail";
inline constexpr char Smtp[] = "SMTP";
inline constexpr char Address[] = "Address";
inline constexpr char User[] = "User";
inline constexpr char Password[] = "Password";
inline constexpr char Defsize[] = "Defsize";
inline constexpr char Jpeg[] = "Jpeg";
inline constexpr char QFact[] = "QFact";
inline QString px(int slot) {
    return QString::number(slot) + QLatin1String("PX");
}
inline QString py(int slot) {
    return QString::number(slot) + QLatin1String("PY");
}
} // namespace Keys

inline constexpr int TwipsPerPixel = 15;
// A designed position and size in twips, as pixels.
inline QRect twips(int left, int top, int width, int height) {
    return {left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
            height / TwipsPerPixel};
}
inline constexpr int PurposeCount = 7;
inline constexpr std::array<int, PurposeCount> DefaultPX = {96, 96, 96, 96, 96, 96, 640};
inline constexpr std::array<int, PurposeCount> DefaultPY = {84, 68, 68, 26, 40, 40, 480};
inline constexpr int DefaultQFact = 20;
// Size limits of the purposes: the PNG limit (which also limits a JPEG) and the BMP limit.
inline constexpr int PurposePngLimit = 5500;
inline constexpr std::array<int, PurposeCount> PurposeBmpLimit = {10000, 8000, 8000, 4000,
                                                                  6000,  6000, 30000};

struct AppSettings {
    double left = 0, top = 0;     // twips, as read (leading number of the text)
    qint32 width = 0, height = 0; // twips; 0 = not stored
    QString folder;               // working folder of the file dialogs
    QString dir;                  // browser folder
    QString smtp, address;        // mail server and sender
    QString user, password;       // SMTP login; "" user = no login
    // The password is written to the settings file only when the user asked for it; otherwise
    // it lives for this run only. Reading a stored password sets this.
    bool savePassword = false;
    // Default output size per purpose. Values below 1 are kept as stored (the file may rely on
    // them) and refused wherever an image would be sized by them.
    std::array<qint16, PurposeCount> px{}, py{};
    qint16 qfact = DefaultQFact; // JPEG quality factor 2..255
};

// The window's place in pixels for a stored position and size in twips: the size at most that
// of the screen's available area, the position such that the whole window lies on it. A value
// no screen could hold (a hand-edited 1e309) ends at the nearest edge.
QRect windowPlacement(double left, double top, qint32 width, qint32 height, const QRect& area);

// Reads the settings with the defaults for missing, zero or unreadable values.
AppSettings readSettings(const Profile& ini);
// Writes every key of the settings into the profile (the file is saved by the caller).
// Returns why values could not be stored (text CP932 cannot hold); those keys keep their old
// values.
QStringList writeSettings(const AppSettings& s, Profile& ini);

namespace AppPaths {
// The folder of the running executable; templates ("image") live there.
QString programFolder();
// Where "QUILMOAP.INI" and "ADDRESS.TXT" live: the program folder when settingsBesideProgram(),
// else $XDG_CONFIG_HOME/quilmo-editor (created on demand). Tests may point it elsewhere.
QString configFolder();
// Whether the settings may live in the program folder: when it is writable, but never under
// /usr, whose files belong to the package manager even when the user (root) may write there.
bool settingsBesideProgram(const QString& programFolder);
void setConfigFolder(const QString& folder);
QString settingsFile();
QString addressFile();
// Makes the file readable and writable by its owner only, creating it empty when missing, so
// that a password written into it next is never readable by others (a replacing write keeps
// the mode). False when that fails.
bool restrictToOwner(const QString& path);
} // namespace AppPaths
