#include "build_info.h"
#include "desktop/branding.h"
#include "shell/file_exists.h"
#include "desktop/skin_data.h"
#include "support/temp_app_folder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Leaves the record and the built-in values as the program starts with them.
struct BrandingGuard {
    BrandingRecord saved = branding();
    ~BrandingGuard() {
        replaceBuiltInBranding(std::nullopt);
        branding() = saved;
    }
};

TEST(Branding, LoadFillsTheBuildValuesAndKeepsTheQuitFlag) {
    BrandingGuard guard;
    branding() = BrandingRecord{};
    branding().quitWithWebsiteWindow = true;
    branding().bannerEnabled = false;
    loadBranding();
    const BrandingRecord& r = branding();
    EXPECT_EQ(r.programName, "Quillmark");
    EXPECT_EQ(r.companyName, QString::fromUtf8(buildinfo::companyName));
    EXPECT_EQ(r.websiteAddress, QString::fromUtf8(buildinfo::websiteAddress));
    EXPECT_FALSE(r.websiteAddress.contains("://")) << "a bare site name";
    EXPECT_EQ(r.bannerPage, QString::fromUtf8(buildinfo::bannerPage));
    EXPECT_EQ(r.skinEnabled, buildinfo::skinEnabled);
    EXPECT_TRUE(r.useSplashIcon);
    EXPECT_TRUE(r.bannerEnabled);
    EXPECT_TRUE(r.quitWithWebsiteWindow) << "loadBranding leaves the run-time flag alone";
    EXPECT_EQ(versionText(r), QString("%1.%2").arg(buildinfo::versionMajor).arg(buildinfo::versionMinor));

    const BrandingRecord first = r;
    loadBranding();
    EXPECT_EQ(branding().programName, first.programName);
    EXPECT_EQ(branding().websiteAddress, first.websiteAddress);
}

TEST(Branding, ReplacedValuesAreWhatLoadCopies) {
    BrandingGuard guard;
    BrandingRecord local = builtInBranding();
    local.websiteAddress = "127.0.0.1:9/start";
    local.versionMajor = 1;
    local.versionMinor = 2;
    local.quitWithWebsiteWindow = true;
    replaceBuiltInBranding(local);
    branding().quitWithWebsiteWindow = false;
    loadBranding();
    EXPECT_EQ(branding().websiteAddress, "127.0.0.1:9/start");
    EXPECT_EQ(versionText(branding()), "1.2");
    EXPECT_FALSE(branding().quitWithWebsiteWindow);
    replaceBuiltInBranding(std::nullopt);
    loadBranding();
    EXPECT_EQ(branding().websiteAddress, QString::fromUtf8(buildinfo::websiteAddress));
}

TEST(FileExists, MatchesTheNameIgnoringCaseAndOnlyOrdinaryFiles) {
    TempAppFolder app;
    app.write("Help.rtf", "{\\rtf1 x}");
    app.write(".hidden.rtf", "x");
    app.write("empty.txt", "");
    QDir(app.path()).mkpath("Folder.rtf");
    const QString fifo = app.file("pipe.rtf");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);

    struct Case {
        QString path;
        bool exists;
    };
    const Case cases[] = {
        {app.file("Help.rtf"), true},
        {app.file("HELP.RTF"), true},
        {app.file("help.rtf"), true},
        {app.file("empty.txt"), true},
        {app.file("Help.rt"), false},
        {app.file("Help.rtf "), false},
        {app.file("*.rtf"), false},
        {app.file("Help.*"), false},
        {app.file("Folder.rtf"), false},
        {app.file("folder.rtf"), false},
        {app.file(".hidden.rtf"), false},
        {app.file("pipe.rtf"), false},
        {app.file("Missing/Help.rtf"), false},
        {app.path() + "/", false},
        {app.path(), false},
        {QString(), false},
        {"Help.rtf", false},  // relative to the current folder, where there is none
    };
    for (const Case& c : cases)
        EXPECT_EQ(fileExists(c.path), c.exists) << c.path.toStdString();
}

TEST(FileExists, FindsTheSpellingOnDiskPreferringAnExactMatch) {
    TempAppFolder app;
    app.write("Help.rtf", "a");
    EXPECT_EQ(findFileIgnoringCase(app.file("HELP.rtf")), app.file("Help.rtf"));
    app.write("HELP.rtf", "b");
    EXPECT_EQ(findFileIgnoringCase(app.file("HELP.rtf")), app.file("HELP.rtf"));
    EXPECT_EQ(findFileIgnoringCase(app.file("Help.rtf")), app.file("Help.rtf"));
    EXPECT_TRUE(findFileIgnoringCase(app.file("Gone.rtf")).isEmpty());
}

TEST(SkinData, ParsesColourTexts) {
    struct Case {
        const char* text;
        std::optional<quint32> value;
    };
    const Case cases[] = {
        {"#102030", 0x102030},  {"a0B0c0", 0xA0B0C0},  {"  #FFFFFF ", 0xFFFFFF},
        {"255,0,16", 0xFF0010}, {" 1 , 2 , 3 ", 0x010203}, {"#12345", std::nullopt},
        {"#1234567", std::nullopt}, {"0x1234", std::nullopt}, {"#12345g", std::nullopt},
        {"256,0,0", std::nullopt}, {"-1,0,0", std::nullopt}, {"1,2", std::nullopt},
        {"1,2,3,4", std::nullopt}, {"+1,2,3", std::nullopt}, {"", std::nullopt},
        {"red", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseSkinColour(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(SkinData, ReadsTheFileWithDefaultsForWhatIsMissing) {
    TempAppFolder app;
    EXPECT_EQ(skinFilePath(), app.file("skin.ini"));
    const SkinData absent = readSkinFile(skinFilePath());
    EXPECT_FALSE(absent.fromFile);
    EXPECT_EQ(absent.colours, SkinColours{});
    EXPECT_EQ(absent.style, "Fusion");

    app.write("skin.ini", "[Other]\r\nBackColor=#000000\r\n[skin]\r\nBackColor=#112233\r\n"
                          "TextColor=nonsense\nPictureColor=10,20,30\rStyle=Windows\r\n");
    const SkinData read = readSkinFile(skinFilePath());
    EXPECT_TRUE(read.fromFile);
    EXPECT_EQ(read.colours.back, 0x112233u);
    EXPECT_EQ(read.colours.text, SkinColours{}.text);
    EXPECT_EQ(read.colours.picture, 0x0A141Eu);
    EXPECT_EQ(read.style, "Windows");

    app.write("skin.ini", QByteArray("\x00\xff[Skin\r\n=\r\n", 12));
    const SkinData garbage = readSkinFile(skinFilePath());
    EXPECT_EQ(garbage.colours, SkinColours{});
    EXPECT_EQ(garbage.style, "Fusion");
}

}  // namespace
