#include "shell/first_scan_notice_widget.h"

#include "config/engine_catalog.h"
#include "results/results_grid.h"
#include "sources/count_source.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kGap = 4;
// The grid keeps at least its header and a few rows.
constexpr int kGridKeeps = 80;
}  // namespace

FirstScanNotice::FirstScanNotice(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("FirstScanNotice"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    lblNotice = new QLabel(this);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblNotice->setWordWrap(true);
    lblNotice->setTextFormat(Qt::PlainText);
    lblNotice->setForegroundRole(QPalette::ToolTipText);
    cmdNoticeOptions = new QPushButton(QStringLiteral("Open Options..."), this);
    cmdNoticeOptions->setObjectName(QStringLiteral("cmdNoticeOptions"));
    cmdNoticeClose = new QPushButton(QStringLiteral("x"), this);
    cmdNoticeClose->setObjectName(QStringLiteral("cmdNoticeClose"));
    cmdNoticeClose->setToolTip(QStringLiteral("Close"));
    cmdNoticeClose->setFlat(true);
    cmdNoticeClose->setFixedWidth(cmdNoticeClose->fontMetrics().height() * 2);
    for (QPushButton* b : {cmdNoticeOptions, cmdNoticeClose}) b->setAutoDefault(false);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 4, 4, 4);
    row->addWidget(lblNotice, 1);
    row->addWidget(cmdNoticeOptions, 0, Qt::AlignVCenter);
    row->addWidget(cmdNoticeClose, 0, Qt::AlignTop);
    connect(cmdNoticeOptions, &QPushButton::clicked, this, &FirstScanNotice::cmdNoticeOptions_Click);
    connect(cmdNoticeClose, &QPushButton::clicked, this, &FirstScanNotice::cmdNoticeClose_Click);
    hide();
}

QStringList FirstScanNotice::silentBuiltIns(const ResultsGrid& grid, const QString& settingsFile) {
    if (grid.rowCount() == 0) return {};
    for (int row = 0; row < grid.rowCount(); ++row)
        for (int column = ResultsGrid::kFirstEngineColumn; column < ResultsGrid::kColumnCount; ++column)
            if (grid.columnShown(column) && grid.wasRead(row, column) && cellValue(grid.cell(row, column)))
                return {};
    QStringList builtIns;
    for (const EngineSpec& engine : engineSpecs())
        if (sourceBinding(engine, settingsFile).isEmpty()) builtIns << QString::fromLatin1(engine.gridCaption);
    return builtIns;
}

void FirstScanNotice::scanEnded(const ResultsGrid& grid, const QString& settingsFile) {
    const QStringList silent = silentBuiltIns(grid, settingsFile);
    if (silent.isEmpty() || m_closed) {
        setShown(false);
        return;
    }
    const QString engines = silent.size() == 1 ? QStringLiteral("No count: the built-in engine %1 no longer answers")
                                               : QStringLiteral("No count: the built-in engines %1 no longer answer");
    lblNotice->setText(engines.arg(silent.join(QStringLiteral(", "))) +
                       QStringLiteral(" link queries. Put the columns on a service or the web graph:"));
    setShown(true);
}

void FirstScanNotice::fitUnder(QWidget* grid) {
    if (isHidden()) return;
    const QRect place = grid->geometry();
    const int height = std::min(heightForWidth(place.width()) > 0 ? heightForWidth(place.width()) : sizeHint().height(),
                                std::max(0, place.height() - kGridKeeps - kGap));
    grid->resize(place.width(), place.height() - height - kGap);
    setGeometry(place.x(), place.bottom() + 1 - height, place.width(), height);
    raise();
}

QString FirstScanNotice::text() const { return lblNotice->text(); }

void FirstScanNotice::cmdNoticeOptions_Click() { emit optionsRequested(); }

void FirstScanNotice::cmdNoticeClose_Click() {
    m_closed = true;
    setShown(false);
}

void FirstScanNotice::setShown(bool shown) {
    if (shown == !isHidden()) return;
    setVisible(shown);
    emit shownChanged();
}
