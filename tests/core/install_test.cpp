#include "build_info.h"
#include "config/ini_file.h"
#include "support/qt_gtest_printers.h"
#include "support/sim_fixture.h"
#include "support/temp_app_folder.h"
#include "support/unprivileged.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

const QFile::Permissions kOpen = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                 QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                 QFile::ExeOther;

// Takes every write permission off a tree, as an installed /usr is for a user.
void makeReadOnly(const QString& root, bool readOnly) {
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList all{root};
    while (it.hasNext()) all << it.next();
    for (const QString& path : all) {
        QFile::Permissions p = QFile::permissions(path);
        p &= ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther);
        if (!readOnly) p |= QFile::WriteOwner | QFile::WriteUser;
        QFile::setPermissions(path, p | QFile::ReadOther | (QFileInfo(path).isDir() ? QFile::ExeOther : QFile::Permissions()));
    }
}

// Width and height from a PNG file's header.
QSize pngSize(const QByteArray& bytes) {
    if (!bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.size() < 24) return {};
    return {static_cast<int>(qFromBigEndian<quint32>(bytes.constData() + 16)),
            static_cast<int>(qFromBigEndian<quint32>(bytes.constData() + 20))};
}

// A compressed page or document as gzip gives it back; empty when it is not gzip.
QByteArray gunzip(const QString& path) {
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {"-dc", path});
    if (!gzip.waitForFinished(30000) || gzip.exitCode() != 0) return {};
    return gzip.readAllStandardOutput();
}

// This build installed into a temporary prefix, run from there by a user
// whose home is another temporary folder.
class InstallTest : public SimSuite {
protected:
    void SetUp() override {
        SimSuite::SetUp();
        QFile::setPermissions(m_prefix.path(), kOpen);
        QFile::setPermissions(m_home.path(), kOpen);
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(QUILLMARK_CMAKE),
                      {"--install", QStringLiteral(QUILLMARK_BINARY_DIR), "--prefix", m_prefix.path()});
        ASSERT_TRUE(install.waitForFinished(120000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    }
    void TearDown() override { makeReadOnly(m_prefix.path(), false); }

    QString installed(const QString& rel) const { return QDir(m_prefix.path()).filePath(rel); }
    QString userFile(const QString& rel) const { return QDir(m_home.path()).filePath("data/Quillmark/" + rel); }

    int runScan(const QStringList& args) {
        QProcess scan;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home.path());
        env.insert("XDG_DATA_HOME", m_home.path() + "/data");
        env.insert("XDG_CONFIG_HOME", m_home.path() + "/config");
        scan.setProcessEnvironment(env);
        scan.setWorkingDirectory(m_home.path());
        startsUnprivileged(scan);
        scan.start(installed("bin/quillmark-scan"), args);
        if (!scan.waitForFinished(60000)) return -1;
        m_err = scan.readAllStandardError();
        return scan.exitStatus() == QProcess::NormalExit ? scan.exitCode() : -1;
    }

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
    QByteArray m_err;
};

TEST_F(InstallTest, PutsEveryFileInItsPlace) {
    QStringList files = {"bin/quillmark-scan", "share/quillmark/settings.ini", "share/quillmark/Help.rtf",
                         "share/quillmark/Lists/sample.txt", "share/man/man1/quillmark-scan.1.gz",
                         "share/doc/quillmark/copyright", "share/doc/quillmark/changelog.gz",
                         "lib/systemd/user/quillmark-track.service", "lib/systemd/user/quillmark-track.timer"};
    files << "bin/quillmark-graph" << "share/man/man1/quillmark-graph.1.gz";
    if (QUILLMARK_GUI_BUILT) {
        files << "bin/quillmark" << "share/man/man1/quillmark.1.gz"
              << "share/applications/app.quillmark.Quillmark.desktop"
              << "share/metainfo/app.quillmark.Quillmark.metainfo.xml"
              << "share/icons/hicolor/scalable/apps/app.quillmark.Quillmark.svg";
        for (int size : {48, 128, 256}) {
            const QString png = QStringLiteral("share/icons/hicolor/%1x%1/apps/app.quillmark.Quillmark.png").arg(size);
            EXPECT_EQ(pngSize(readFileBytes(installed(png))), QSize(size, size)) << png.toStdString();
        }
    }
    for (const QString& f : files) EXPECT_TRUE(QFileInfo(installed(f)).isFile()) << f.toStdString();
    EXPECT_FALSE(QFileInfo::exists(installed("share/quillmark/Saved")));
    EXPECT_FALSE(QFileInfo::exists(installed("share/man/man1/quillmark-scan.1"))) << "only the compressed page";
}

// The manual pages, compressed, each with its program's options, its files
// and the licence.
TEST_F(InstallTest, ManualPagesNameOptionsFilesAndLicence) {
    struct Page {
        const char* program;
        QList<const char*> words;
    };
    QList<Page> pages{{"quillmark-scan",
                       {"\\-\\-append", "\\-\\-append\\-each", "\\-\\-history", "\\-\\-version", "Exit status",
                        ".SH FILES", "quillmark\\-track.timer", "journalctl"}},
                      {"quillmark-graph", {"\\-\\-base", "\\-\\-version"}}};
    if (QUILLMARK_GUI_BUILT) pages.append({"quillmark", {"\\-\\-version", "\\-platform", ".SH FILES", "quillmark-scan (1)"}});
    for (const Page& page : pages) {
        SCOPED_TRACE(page.program);
        const QByteArray man = gunzip(installed(QStringLiteral("share/man/man1/%1.1.gz").arg(page.program)));
        ASSERT_FALSE(man.isEmpty());
        EXPECT_TRUE(man.contains(QByteArray(".TH ") + QByteArray(page.program).toUpper()));
        EXPECT_TRUE(man.contains(QByteArray(page.program) + " " + buildinfo::versionText));
        for (const char* word : page.words) EXPECT_TRUE(man.contains(word)) << word;
        EXPECT_TRUE(man.contains("GNU GPL version 3 or later"));
    }
}

// Debian's documents: a copyright file in the machine-readable format naming
// the licence, and a changelog whose latest entry is this version.
TEST_F(InstallTest, CopyrightAndChangelogDescribeThisVersion) {
    const QByteArray copyright = readFileBytes(installed("share/doc/quillmark/copyright"));
    EXPECT_TRUE(copyright.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    EXPECT_TRUE(copyright.contains("\nFiles: *\nCopyright: "));
    EXPECT_EQ(copyright.count("License: GPL-3.0-or-later\n"), 2) << "the files' licence and its paragraph";
    EXPECT_TRUE(copyright.contains("/usr/share/common-licenses/GPL-3"));
    EXPECT_FALSE(copyright.contains("@QUILLMARK_")) << "every value filled in";

    const QByteArray changelog = gunzip(installed("share/doc/quillmark/changelog.gz"));
    EXPECT_TRUE(changelog.startsWith(QByteArray("quillmark (") + buildinfo::versionText + ") "))
        << "a new version needs its changelog entry: " << changelog.left(80).toStdString();
    EXPECT_TRUE(changelog.contains("\n -- "));
}

TEST_F(InstallTest, TheWindowAnswersHelpAndVersionWithoutADisplay) {
    if (!QUILLMARK_GUI_BUILT) GTEST_SKIP() << "no desktop program in this build";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    struct Case {
        const char* arg;
        QByteArray starts;
    };
    for (const Case& c : {Case{"--version", QByteArray("quillmark ") + buildinfo::versionText + "\n"},
                          Case{"--help", "Usage: quillmark "}, Case{"-h", "Usage: quillmark "}}) {
        SCOPED_TRACE(c.arg);
        QProcess window;
        window.setProcessEnvironment(env);
        window.start(installed("bin/quillmark"), {"-style", "Fusion", c.arg});
        ASSERT_TRUE(window.waitForFinished(30000));
        EXPECT_EQ(window.exitCode(), 0);
        EXPECT_TRUE(window.readAllStandardOutput().startsWith(c.starts));
    }
}

TEST_F(InstallTest, ARunFromAReadOnlyPrefixKeepsItsDataInTheUsersFolder) {
    // The installed defaults point at the stand-in engines.
    writeFileBytes(installed("share/quillmark/settings.ini"), sim().settingsIni().toLatin1());
    const QByteArray shipped = readFileBytes(installed("share/quillmark/settings.ini"));
    makeReadOnly(m_prefix.path(), true);

    const QStringList args{"--append", "mysite", "http://count-5.example/"};
    ASSERT_EQ(runScan(args), 0) << m_err.toStdString();
    const QString today = QDate::currentDate().toString(QStringLiteral("MM-dd-yy"));
    EXPECT_EQ(IniReadKey("Google", today, "?", userFile("Saved/mysite.lpc")), "5");
    EXPECT_EQ(readFileBytes(userFile("settings.ini")), shipped);
    EXPECT_TRUE(QFileInfo(userFile("Lists/sample.txt")).isFile());
    EXPECT_FALSE(QFileInfo::exists(userFile("Help.rtf")));

    // An edited settings.ini is never seeded over.
    const QByteArray edited = shipped + "\r\n[Mine]\r\nkept=1\r\n";
    writeFileBytes(userFile("settings.ini"), edited);
    ASSERT_EQ(runScan({"--append", "mysite", "http://count-6.example/"}), 0) << m_err.toStdString();
    EXPECT_EQ(readFileBytes(userFile("settings.ini")), edited);
    EXPECT_EQ(IniReadKey("Google", today, "?", userFile("Saved/mysite.lpc")), "6");
}

}  // namespace
