#pragma once

#include <QString>

// The application folder holds settings.ini, Help.rtf, Saved/ and Lists/.
// Portable: the executable's folder, when it holds a settings.ini and can be
// written (the build tree, a folder on a stick). Installed: the per-user
// $XDG_DATA_HOME/Quillmark, created and seeded from the installed defaults
// (<prefix>/share/quillmark) on first start. Tests and the demo point it
// elsewhere with setAppFolder.
namespace appPaths {

QString appFolder();
void setAppFolder(const QString& folder);  // empty: back to the folder decided above

QString settingsPath();    // <app>/settings.ini
QString savedFolder();     // <app>/Saved
QString listsFolder();     // <app>/Lists
// <app>/Help.rtf; in the per-user folder, the installed one while it has none.
QString helpPath();

// The places the decision looks at, apart so that it can be tried on any folders.
struct Places {
    QString exeFolder;
    QString defaultsFolder;  // the installed defaults
    QString userFolder;      // $XDG_DATA_HOME/Quillmark
};
Places installedPlaces();  // this process's places

struct Decision {
    QString folder;
    bool perUser = false;
    QString defaultsFolder;
};
// Picks the application folder. The per-user one is created, with Saved/ and
// Lists/, and while it has no settings.ini it gets every installed default it
// lacks (never Help.rtf, which is read where it is installed). Nothing in it
// is ever overwritten.
Decision decide(const Places& places);
// The help file the decision's folder shows.
QString helpPathIn(const Decision& decision);

}  // namespace appPaths
