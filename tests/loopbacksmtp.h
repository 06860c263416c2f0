#pragma once
// The mail tests' SMTP server: aiosmtpd with tests/smtp_sink.py on a free loopback port, what it
// stored, and what a mail reader makes of it.
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

inline sockaddr_in loopbackAddress(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    return a;
}

// A socket on a free loopback port. Listening, the kernel accepts connections and nobody ever
// says a word; not listening, nothing answers there once it is gone.
struct Listener {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    explicit Listener(bool listening = true) {
        sockaddr_in a = loopbackAddress(0);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        if (listening) ::listen(fd, 8);
    }
    ~Listener() { ::close(fd); }
};

class SmtpServer {
public:
    QTemporaryDir store;
    int port = 0;

    bool start(const QStringList& extra = {}, const QString& user = {},
               const QString& password = {}) {
        port = Listener(false).port;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PYTHONPATH"), folder());
        env.insert(QStringLiteral("SINK_DIR"), store.path());
        env.insert(QStringLiteral("SINK_USER"), user);
        env.insert(QStringLiteral("SINK_PASSWORD"), password);
        m_proc.setProcessEnvironment(env);
        m_proc.start(QStringLiteral("/usr/bin/python3"),
                     QStringList{"-m", "aiosmtpd", "-n", "-l", server(), "-c", "smtp_sink.Sink"} +
                         extra);
        if (!m_proc.waitForStarted(10000)) return false;
        for (int i = 0; i < 150 && m_proc.state() == QProcess::Running; ++i) { // at most 15 s
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in a = loopbackAddress(port);
            const bool up = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
            ::close(fd);
            if (up) return true;
            QThread::msleep(100);
        }
        qWarning() << "aiosmtpd did not start:" << m_proc.readAllStandardError();
        return false;
    }
    // The sink also ends itself once the test is gone; QProcess kills whatever is left.
    ~SmtpServer() {
        m_proc.terminate();
        m_proc.waitForFinished(5000);
    }
    QString server() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    int count() const {
        return int(QDir(store.path()).entryList({QStringLiteral("*.json")}).size());
    }
    QString eml(int n) const { return store.filePath(QStringLiteral("%1.eml").arg(n)); }
    QJsonObject envelope(int n) const {
        QFile f(store.filePath(QStringLiteral("%1.json").arg(n)));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                           : QJsonObject();
    }
    // What a mail reader (Python's email package) shows of message n.
    QJsonObject mail(int n) const { return envelope(n)["mail"].toObject(); }

private:
    QProcess m_proc;
    static QString folder() { return QFileInfo(QStringLiteral(__FILE__)).absolutePath(); }
};
