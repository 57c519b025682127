#include "history/save_rows_ui.h"

#include "build_info.h"
#include "history/row_saves.h"
#include "history/saved_search.h"
#include "platform/ui_platform.h"

#include <QDate>

namespace {

QString unsavedList(const QList<savedSearch::RowSave>& unsaved) {
    QString text = unsaved.size() == 1 ? QStringLiteral("This row was not saved:")
                                       : QStringLiteral("These %1 rows were not saved:").arg(unsaved.size());
    for (const auto& row : unsaved) text += QStringLiteral("\n%1: %2").arg(row.address, row.problem);
    return text;
}

}  // namespace

void saveRowsAsked(QWidget* owner, const ResultsGrid& grid, const QList<int>& rows) {
    UiPlatform& ui = platform::ui();
    const savedSearch::RowSavePlan plan = savedSearch::planRowSaves(grid, rows);
    if (plan.rows.isEmpty()) {
        ui.messageBox(owner, QString::fromLatin1(savedSearch::kNoSelectionMessage),
                      QString::fromLatin1(buildinfo::productName), UiPlatform::Buttons::Ok, UiPlatform::Icon::None);
        return;
    }
    QList<savedSearch::RowSave> unsaved;
    if (plan.creates + plan.addsTo == 0) {
        unsaved = plan.rows;  // nothing to ask about
    } else {
        if (ui.messageBox(owner, savedSearch::rowSaveQuestion(plan), QStringLiteral("Warning"),
                          UiPlatform::Buttons::YesNo, UiPlatform::Icon::None) != UiPlatform::Answer::Yes)
            return;
        unsaved = savedSearch::saveRows(grid, plan, QDate::currentDate());
    }
    if (!unsaved.isEmpty())
        ui.messageBox(owner, unsavedList(unsaved), QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                      UiPlatform::Icon::Information);
}
