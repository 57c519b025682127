#include "sources/source_file.h"

#include "config/app_paths.h"
#include "config/ini_file.h"
#include "sources/count_rule.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kSection = QStringLiteral("Source");

QString key(const QString& name, const QString& file) {
    return IniReadKey(kSection, name, QString(), file).trimmed();
}

}  // namespace

QStringList SourceFile::credentialKeys() const {
    QStringList keys;
    static const QRegularExpression cred(QStringLiteral("\\{cred:([^}]+)\\}"));
    const auto take = [&keys](const QString& k) {
        if (!k.isEmpty() && !keys.contains(k)) keys.append(k);
    };
    take(authUser);
    take(authPassword);
    QStringList texts{url, body};
    texts += headers;
    for (const QString& text : std::as_const(texts))
        for (const auto& match : cred.globalMatch(text)) take(match.captured(1));
    return keys;
}

SourceLoad loadSourceFile(const QString& file) {
    SourceLoad load;
    if (!QFileInfo(file).isFile()) {
        load.error = QStringLiteral("%1 does not exist").arg(QDir::toNativeSeparators(file));
        return load;
    }
    SourceFile s;
    s.name = QFileInfo(file).completeBaseName();
    s.caption = key(QStringLiteral("Caption"), file);
    if (s.caption.isEmpty()) s.caption = s.name;
    // The caption names a saved search's section and heads a CSV column: it
    // must stay one plain name there.
    if (std::any_of(s.caption.begin(), s.caption.end(), [](QChar c) {
            return c == u'[' || c == u']' || c == u':' || c == u'=' || c.unicode() < 0x20 || c.unicode() == 0x7f;
        }) || s.caption.trimmed() != s.caption) {
        load.error = QStringLiteral("%1: Caption cannot hold \"[\", \"]\", \":\", \"=\", control characters "
                                    "or spaces at either end")
                         .arg(s.name);
        return load;
    }
    const QString method = key(QStringLiteral("Method"), file).toUpper();
    if (!method.isEmpty()) s.method = method;
    s.url = key(QStringLiteral("Url"), file);
    s.body = key(QStringLiteral("Body"), file);
    for (int i = 1;; ++i) {
        const QString header = key(QStringLiteral("Header%1").arg(i), file);
        if (header.isEmpty()) break;
        s.headers.append(header);
    }
    const QStringList auth = key(QStringLiteral("Auth"), file).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (auth.size() == 3 && auth[0].compare(QLatin1String("basic"), Qt::CaseInsensitive) == 0) {
        s.authUser = auth[1];
        s.authPassword = auth[2];
    } else if (!auth.isEmpty()) {
        load.error = QStringLiteral("%1: Auth must read \"basic KEY1 KEY2\"").arg(s.name);
        return load;
    }
    s.count = key(QStringLiteral("Count"), file);
    // The numbered rules go on while either key of the pair is there.
    for (int i = 0;; ++i) {
        const QString suffix = i == 0 ? QString() : QString::number(i);
        const SourceFile::ErrorRule rule{key(QStringLiteral("Failure") + suffix, file),
                                         key(QStringLiteral("Message") + suffix, file)};
        if (i > 0 && rule.failure.isEmpty() && rule.message.isEmpty()) break;
        for (const auto& [name, text] : {std::pair{QStringLiteral("Failure"), rule.failure},
                                         std::pair{QStringLiteral("Message"), rule.message}}) {
            if (const QString problem = errorRuleProblem(text); !problem.isEmpty()) {
                load.error = QStringLiteral("%1: %2%3 %4").arg(s.name, name, suffix, problem);
                return load;
            }
        }
        if (!rule.failure.isEmpty() || !rule.message.isEmpty()) s.errorRules.append(rule);
    }
    s.view = key(QStringLiteral("View"), file);
    s.pauseSeconds = std::clamp(key(QStringLiteral("Pause"), file).toInt(), 0, 3600);
    s.batch = std::max(1, key(QStringLiteral("Batch"), file).toInt());
    s.type = key(QStringLiteral("Type"), file).toLower();
    if (s.type == QLatin1String("http")) s.type.clear();
    if (s.type == QLatin1String("graph")) {
        // Answered on this machine: nothing to request, nothing to read.
        load.source = s;
        return load;
    }
    if (!s.type.isEmpty()) {
        load.error = QStringLiteral("%1: Type must be http or graph").arg(s.name);
        return load;
    }
    if (s.method != QLatin1String("GET") && s.method != QLatin1String("POST")) {
        load.error = QStringLiteral("%1: Method must be GET or POST").arg(s.name);
        return load;
    }
    if (s.url.isEmpty()) {
        load.error = QStringLiteral("%1: no Url").arg(s.name);
        return load;
    }
    if (const QString problem = CountRule::parse(s.count).error; !problem.isEmpty()) {
        load.error = s.name + QStringLiteral(": ") + problem;
        return load;
    }
    load.source = s;
    return load;
}

QString sourceFilePath(const QString& name) {
    return QDir(appPaths::appFolder()).filePath(QStringLiteral("Sources/") + name + QStringLiteral(".ini"));
}

QStringList sourceNames() {
    const QDir dir(QDir(appPaths::appFolder()).filePath(QStringLiteral("Sources")));
    QStringList names;
    for (const QFileInfo& info : dir.entryInfoList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name))
        names.append(info.completeBaseName());
    return names;
}
