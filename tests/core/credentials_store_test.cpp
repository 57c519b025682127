#include "config/ini_file.h"
#include "net/page_fetcher.h"
#include "sources/credentials.h"
#include "support/graph_release.h"
#include "support/sim_fixture.h"
#include "support/sim_record.h"
#include "support/temp_app_folder.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A session bus of the test's own (no service can be started on demand on
// it), and on request a GNOME keyring unlocked on it: the real Secret Service,
// never the user's.
class KeyringSession {
public:
    explicit KeyringSession(bool withKeyring) {
        const QString root = m_dir.path();
        QDir().mkpath(root + "/run");
        ::chmod(QFile::encodeName(root + "/run").constData(), 0700);
        QFile config(root + "/bus.conf");
        if (!config.open(QIODevice::WriteOnly)) return;
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:dir=" + QFile::encodeName(root) +
                     "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--nofork"), QStringLiteral("--print-address"), "--config-file=" + root + "/bus.conf"});
        if (!m_bus.waitForReadyRead(10000)) return;
        m_address = QString::fromLatin1(m_bus.readLine().trimmed());
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + "/run");
        if (!withKeyring) return;
        QProcessEnvironment keyringEnv = m_env;
        keyringEnv.insert(QStringLiteral("HOME"), root);
        keyringEnv.insert(QStringLiteral("XDG_DATA_HOME"), root + "/data");
        m_keyring.setProcessEnvironment(keyringEnv);
        m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                        {QStringLiteral("--unlock"), QStringLiteral("--components=secrets"), QStringLiteral("--foreground")});
        if (!m_keyring.waitForStarted(10000)) return;
        m_keyring.write("test-password");
        m_keyring.waitForBytesWritten(5000);
        m_keyring.closeWriteChannel();
        // Up once the login keyring exists and the service has its name.
        for (int i = 0; i < 50 && !m_keyringUp; ++i) {
            QThread::msleep(100);
            QProcess ask;
            ask.setProcessEnvironment(m_env);
            ask.start(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.freedesktop.DBus"),
                       QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                       QStringLiteral("string:org.freedesktop.secrets")});
            if (!ask.waitForFinished(2000)) ask.kill(), ask.waitForFinished(1000);
            m_keyringUp = ask.readAllStandardOutput().contains("boolean true") &&
                          QFile::exists(root + "/data/keyrings/login.keyring");
        }
    }
    ~KeyringSession() {
        for (QProcess* p : {&m_keyring, &m_bus}) {
            if (p->state() == QProcess::NotRunning) continue;
            p->terminate();
            if (!p->waitForFinished(3000)) p->kill(), p->waitForFinished(3000);
        }
    }
    bool busUp() const { return !m_address.isEmpty(); }
    bool keyringUp() const { return m_keyringUp; }
    QByteArray keyringOutput() { return m_keyring.readAll() + m_keyring.readAllStandardError(); }
    QProcessEnvironment env() const { return m_env; }

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QString m_address;
    QProcessEnvironment m_env;
    bool m_keyringUp = false;
};

struct ProgramRun {
    int exit = -1;
    QByteArray out, err;
    qint64 ms = 0;
};

// Keys through the real quillmark-scan: stored by --set-credential, read by
// a scan of a source whose request carries the key to the stand-in.
class CredentialsTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        if (HasFatalFailure()) return;
        QFile::remove(credentials::path());
        m_program = app.file(QStringLiteral("quillmark-scan"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), m_program));
        app.write(QStringLiteral("Sources/keyed.ini"),
                  "[Source]\r\nCaption=Keyed\r\nUrl=" + sim().baseUrl().toLatin1() +
                      "/echo-target/keyed?n=4242&key={cred:key}\r\nCount=regex:n=([0-9]+)\r\n");
        const QString ini = app.file(QStringLiteral("settings.ini"));
        ASSERT_TRUE(IniWriteKey(QStringLiteral("Sources"), QStringLiteral("Google"), QStringLiteral("keyed"), ini));
        for (const char* key : {"Altavista", "Yahoo", "Ask", "MSN", "ATW"})
            ASSERT_TRUE(IniWriteKey(QStringLiteral("Sources"), QLatin1String(key), QStringLiteral("off"), ini));
    }
    void TearDown() override { QFile::remove(credentials::path()); }

    // env: a session's, or none (no session bus at all).
    ProgramRun run(const QStringList& args, const std::optional<QProcessEnvironment>& env, const QByteArray& input = {}) {
        QProcess p;
        QProcessEnvironment e = env ? *env : QProcessEnvironment::systemEnvironment();
        if (!env) e.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        e.insert(QStringLiteral("QUILLMARK_KEYRING_RETRY_MS"), QStringLiteral("300"));
        p.setProcessEnvironment(e);
        QElapsedTimer clock;
        clock.start();
        p.start(m_program, args);
        p.write(input);
        p.closeWriteChannel();
        ProgramRun r;
        if (!p.waitForFinished(60000)) return r;
        r.ms = clock.elapsed();
        r.exit = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
    ProgramRun setKey(const QByteArray& value, const std::optional<QProcessEnvironment>& env) {
        return run({QStringLiteral("--set-credential"), QStringLiteral("keyed"), QStringLiteral("key")}, env, value);
    }
    // The column's cell for one address, and the key the stand-in was sent ("" when no request came).
    std::pair<QString, QByteArray> scanOnce(const std::optional<QProcessEnvironment>& env, ProgramRun* out = nullptr) {
        SimRecord::clear(m_fetcher, sim());
        const ProgramRun r = run({QStringLiteral("a.example")}, env);
        if (out) *out = r;
        const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString cell = lines.value(1).split(QLatin1Char(',')).value(2);
        QByteArray key;
        for (const QByteArray& target : SimRecord::read(m_fetcher, sim()).targets)
            if (target.startsWith("/echo-target/keyed")) key = target.mid(target.indexOf("key=") + 4);
        return {cell, key};
    }
    QByteArray fileText() { return readFileBytes(credentials::path()); }

    QString m_program;
    PageFetcher m_fetcher;
};

}  // namespace

// A file that cannot be read is named with the reason; a missing one is no error.
TEST(CredentialsFile, AnUnreadableFileSaysWhy) {
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString file = dir.filePath(QStringLiteral("credentials.ini"));
    struct Case { const char* name; std::function<void()> make; const char* reason; };
    const Case cases[] = {
        {"missing", [] {}, ""},
        {"too large", [&] { writeFileBytes(file, "[s]\r\nkey=v\r\n" + QByteArray(2 * 1024 * 1024, 'x')); }, "larger than 1 MiB"},
        {"a folder", [&] { QDir().mkpath(file); }, "not a regular file"},
        {"readable by others", [&] { writeFileBytes(file, "[s]\r\nkey=v\r\n"); ::chmod(QFile::encodeName(file).constData(), 0644); },
         "can be read by others"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(file);
        QDir().rmdir(file);
        c.make();
        if (QFileInfo(file).isFile() && QByteArray(c.reason) != "can be read by others")
            ::chmod(QFile::encodeName(file).constData(), 0600);
        const credentials::Read read = credentials::read(QStringLiteral("s"), {QStringLiteral("key")}, file);
        EXPECT_TRUE(read.values.isEmpty());
        if (*c.reason == 0) {
            EXPECT_EQ(read.error, QString());
        } else {
            EXPECT_TRUE(read.error.contains(file)) << read.error.toStdString();
            EXPECT_TRUE(read.error.contains(QLatin1String(c.reason))) << read.error.toStdString();
        }
    }
    // Without permission (root reads anything: the check runs as nobody).
    QFile::remove(file);
    QDir().rmdir(file);
    writeFileBytes(file, "[s]\r\nkey=v\r\n");
    ::chmod(QFile::encodeName(file).constData(), 0600);
    const auto refused = runUnprivileged([&] {
        const credentials::Read read = credentials::read(QStringLiteral("s"), {QStringLiteral("key")}, file);
        return read.values.isEmpty() && read.error.contains(file) && read.error.contains(QLatin1String("ermission denied"));
    });
    if (refused) {
        EXPECT_TRUE(*refused);
    }
}

TEST_F(CredentialsTest, WithoutASessionBusTheFileIsUsedAtOnce) {
    const ProgramRun stored = setKey("sim-key\n", std::nullopt);
    EXPECT_EQ(stored.exit, 0) << stored.err.toStdString();
    EXPECT_TRUE(stored.err.contains("key of keyed stored in " + credentials::path().toLocal8Bit())) << stored.err.toStdString();
    EXPECT_TRUE(stored.err.contains("no session bus")) << stored.err.toStdString();
    EXPECT_TRUE(fileText().contains("key=sim-key"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(credentials::path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ProgramRun r;
    EXPECT_EQ(scanOnce(std::nullopt, &r), std::make_pair(QStringLiteral("4242"), QByteArray("sim-key")));
    EXPECT_EQ(r.err, QByteArray());
    // No keyring to wait for: well below one retry's pause at its default.
    EXPECT_LT(r.ms, 4500);
}

// The request is not sent without its key, and the message names the reason.
TEST_F(CredentialsTest, NoKeyOrAnUnreadableFileSendsNothing) {
    struct Case { const char* name; std::function<void()> make; const char* message; };
    const Case cases[] = {
        {"no key anywhere", [] {}, "Keyed: no key \"key\" for keyed in "},
        {"a file too large", [this] {
             writeFileBytes(credentials::path(), "[keyed]\r\nkey=sim-key\r\n" + QByteArray(2 * 1024 * 1024, 'x'));
             ::chmod(QFile::encodeName(credentials::path()).constData(), 0600);
         }, "cannot be read: larger than 1 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(credentials::path());
        c.make();
        ProgramRun r;
        EXPECT_EQ(scanOnce(std::nullopt, &r), std::make_pair(QString(), QByteArray()));
        EXPECT_EQ(r.err.count(c.message), 1) << r.err.toStdString();
        EXPECT_EQ(r.exit, 0);
    }
}

TEST_F(CredentialsTest, SetCredentialRefusesWhatIsNoKey) {
    struct Case { QStringList args; QByteArray input; int exit; const char* message; };
    const Case cases[] = {
        {{"--set-credential", "keyed"}, "v\n", 2, "takes a source and a key"},
        {{"--set-credential", "keyed", "key", "extra"}, "v\n", 2, "takes a source and a key"},
        {{"--set-credential", "nosuch", "key"}, "v\n", 1, "does not exist"},
        {{"--set-credential", "../keyed", "key"}, "v\n", 1, "is no source name"},
        {{"--set-credential", "keyed", "secret"}, "v\n", 1, "keyed has no key \"secret\"; its keys: key"},
        {{"--set-credential", "keyed", "key"}, "", 1, "no value on standard input"},
        {{"--set-credential", "keyed", "key"}, "  \r\n", 1, "no value on standard input"},
        {{"--set-credential", "keyed", "key"}, "a\x01" "b\n", 1, "control characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProgramRun r = run(c.args, std::nullopt, c.input);
        EXPECT_EQ(r.exit, c.exit);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(credentials::path()));
    }
}

TEST_F(CredentialsTest, AKeyInTheKeyringIsUsedAndNeverWrittenToTheFile) {
    KeyringSession session(true);
    // Where the keyring is installed (setup.sh installs it) it must come up.
    if (!QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty())
        ASSERT_TRUE(session.keyringUp()) << session.keyringOutput().toStdString();
    if (!session.keyringUp()) GTEST_SKIP() << "no gnome-keyring-daemon could be started here: " << session.keyringOutput().toStdString();
    const ProgramRun stored = setKey("sim-key\n", session.env());
    EXPECT_EQ(stored.exit, 0) << stored.err.toStdString();
    EXPECT_TRUE(stored.err.contains("key of keyed stored in the desktop keyring")) << stored.err.toStdString();
    EXPECT_FALSE(fileText().contains("sim-key"));
    ProgramRun r;
    EXPECT_EQ(scanOnce(session.env(), &r), std::make_pair(QStringLiteral("4242"), QByteArray("sim-key")));
    EXPECT_EQ(r.err, QByteArray());

    // The keyring goes first: an old copy in the file is emptied when the keyring takes a new one.
    QString error;
    ASSERT_TRUE(credentials::write(QStringLiteral("keyed"), QStringLiteral("key"), QStringLiteral("old-key"), &error));
    EXPECT_EQ(setKey("new-key\n", session.env()).exit, 0);
    EXPECT_FALSE(fileText().contains("old-key"));
    EXPECT_EQ(scanOnce(session.env()).second, QByteArray("new-key"));

    // A timer without the session bus reads only the file, and says so.
    ProgramRun without;
    EXPECT_EQ(scanOnce(std::nullopt, &without), std::make_pair(QString(), QByteArray()));
    EXPECT_TRUE(without.err.contains("(no session bus, so no desktop keyring was asked); nothing was sent"))
        << without.err.toStdString();
}

TEST_F(CredentialsTest, AKeyringThatDoesNotAnswerIsAskedOnceMoreThenTheFileIsUsed) {
    KeyringSession session(false);
    ASSERT_TRUE(session.busUp());
    const ProgramRun stored = setKey("sim-key\n", session.env());
    EXPECT_EQ(stored.exit, 0) << stored.err.toStdString();
    EXPECT_TRUE(stored.err.contains("stored in " + credentials::path().toLocal8Bit() + " (no desktop keyring took it: "))
        << stored.err.toStdString();
    EXPECT_TRUE(fileText().contains("key=sim-key"));
    ProgramRun r;
    EXPECT_EQ(scanOnce(session.env(), &r), std::make_pair(QStringLiteral("4242"), QByteArray("sim-key")));
    EXPECT_EQ(r.err, QByteArray());
    EXPECT_GE(r.ms, 300);  // the one retry's pause

    QFile::remove(credentials::path());
    ProgramRun missing;
    EXPECT_EQ(scanOnce(session.env(), &missing).first, QString());
    EXPECT_TRUE(missing.err.contains("Keyed: no key \"key\" for keyed in " + credentials::path().toLocal8Bit() +
                                     " (the desktop keyring did not answer: "))
        << missing.err.toStdString();
}
