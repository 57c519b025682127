#include "shell/settings_dialog.h"

#include "config/app_paths.h"
#include "config/engine_catalog.h"
#include "config/settings_store.h"
#include "platform/ui_platform.h"
#include "desktop/branding.h"
#include "shell/graph_releases_widget.h"
#include "shell/options_values.h"
#include "desktop/skin_ui.h"
#include "sources/source_picker_widget.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {
QPointer<Form2>& openDialog() {
    static QPointer<Form2> dialog;
    return dialog;
}

// Rank pictures and labels, top to bottom: High, Medium, Low.
struct RankRow {
    int field;
    const char* picture;
    const char* icon;
    const char* label;
};
constexpr RankRow kRankRows[] = {
    {ThresholdFields::kHigh, "Picture3", "high", "High Profile if total is greater than: "},
    {ThresholdFields::kMedium, "Picture2", "medium", "Medium Profile if total is less than: "},
    {ThresholdFields::kLow, "Picture1", "low", "Low Profile if total is less than:"},
};

void bringToFront(QWidget* w) {
    w->show();
    w->raise();
    w->activateWindow();
}
}  // namespace

Form2* Form2::instance() { return openDialog().data(); }

void Form2::showModeless(QWidget* owner, std::function<void()> onSaved) {
    if (Form2* open = instance()) return bringToFront(open);
    auto* dialog = new Form2(owner);
    if (onSaved) connect(dialog, &QDialog::accepted, owner ? owner : dialog, std::move(onSaved));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(false);
    dialog->show();
}

void Form2::showModal(QWidget* owner, std::function<void()> onSaved) {
    // The open modeless dialog cannot turn modal; it is shown instead.
    if (Form2* open = instance()) return bringToFront(open);
    auto* dialog = new Form2(owner);
    if (onSaved) connect(dialog, &QDialog::accepted, owner ? owner : dialog, std::move(onSaved));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->exec();
}

Form2::Form2(QWidget* owner)
    : QDialog(owner),
      m_thresholds([this](int index, const QString& text) { mirrorThreshold(index, text); }) {
    openDialog() = this;
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildTemplatesFrame());
    auto* middle = new QHBoxLayout;
    middle->addWidget(buildRanksFrame(), 3);
    middle->addWidget(buildOptionsFrame(), 2);
    layout->addLayout(middle);
    m_graphPanel = new GraphReleasesWidget(this);
    layout->addWidget(m_graphPanel);
    layout->addWidget(buildButtons());
    Form_Load();
}

Form2::~Form2() = default;

QWidget* Form2::buildTemplatesFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Edit Search Engine URLs"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    // One grid, so that every source list has the width of the widest and
    // the template fields end in one line.
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(2);
    grid->setColumnStretch(0, 1);
    new SkinLabel(QStringLiteral("SkinLabel1"), 0, frame);
    int row = 0;
    for (const EngineSpec& engine : engineSpecs()) {
        auto* label = new QLabel(QLatin1String(engine.dialogLabel), frame);
        auto* field = new QLineEdit(frame);
        field->setObjectName(QLatin1String(engine.templateField));
        field->setMinimumWidth(460);
        label->setBuddy(field);
        auto* picker = new SourcePickerWidget(engine, frame);
        grid->addWidget(label, row, 0, 1, 2);
        grid->addWidget(field, row + 1, 0, Qt::AlignTop);
        grid->addWidget(picker, row + 1, 1, Qt::AlignTop);
        grid->setRowMinimumHeight(row + 2, 4);
        row += 3;
        m_templateFields[static_cast<std::size_t>(engine.id)] = field;
        m_sourcePickers[static_cast<std::size_t>(engine.id)] = picker;
    }
    return frame;
}

QWidget* Form2::buildRanksFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Define Popularity Ranks"), this);
    frame->setObjectName(QStringLiteral("Frame2"));
    auto* grid = new QGridLayout(frame);
    new SkinLabel(QStringLiteral("SkinLabel2"), 0, frame);
    int row = 0;
    for (const RankRow& rank : kRankRows) {
        auto* picture = new QLabel(frame);
        picture->setObjectName(QLatin1String(rank.picture));
        picture->setProperty("skinType", QStringLiteral("PictureBox"));
        picture->setFixedSize(32, 32);
        picture->setPixmap(
            QIcon(QStringLiteral(":/options/rank_%1.svg").arg(QLatin1String(rank.icon))).pixmap(32, 32));
        auto* label = new QLabel(QLatin1String(rank.label), frame);
        auto* field = new QLineEdit(frame);
        field->setObjectName(QStringLiteral("txtProfile%1").arg(rank.field));
        field->setFixedWidth(90);
        label->setBuddy(field);
        grid->addWidget(picture, row, 0);
        grid->addWidget(label, row, 1);
        grid->addWidget(field, row, 2);
        txtProfile[rank.field] = field;
        const int index = rank.field;
        // Letters are refused as typed; the ranks are put in order once the
        // value is complete.
        field->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral(" |-?[0-9]{0,10}")), field));
        connect(field, &QLineEdit::textChanged, this, [this, index] { txtProfile_Change(index); });
        connect(field, &QLineEdit::editingFinished, this, [this, index] { m_thresholds.finish(index); });
        ++row;
    }
    Picture1 = findChild<QLabel*>(QStringLiteral("Picture1"));
    Picture2 = findChild<QLabel*>(QStringLiteral("Picture2"));
    Picture3 = findChild<QLabel*>(QStringLiteral("Picture3"));
    return frame;
}

QWidget* Form2::buildOptionsFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Data Options"), this);
    frame->setObjectName(QStringLiteral("Frame3"));
    auto* column = new QVBoxLayout(frame);
    chkClear = new QCheckBox(QStringLiteral("Clear results after each search"), frame);
    chkClear->setObjectName(QStringLiteral("chkClear"));
    chkAuto = new QCheckBox(QStringLiteral("Auto-sort data by popularity"), frame);
    chkAuto->setObjectName(QStringLiteral("chkAuto"));
    chkAtOnce = new QCheckBox(QStringLiteral("Ask the six engines at once"), frame);
    chkAtOnce->setObjectName(QStringLiteral("chkAtOnce"));
    auto* pauseLabel = new QLabel(QStringLiteral("Pause between two requests to one engine"), frame);
    pauseLabel->setWordWrap(true);
    txtPause = new QLineEdit(frame);
    txtPause->setObjectName(QStringLiteral("txtPause"));
    txtPause->setValidator(new QIntValidator(0, kMaxPauseSeconds, txtPause));
    txtPause->setFixedWidth(60);
    pauseLabel->setBuddy(txtPause);
    auto* pauseRow = new QHBoxLayout;
    pauseRow->addWidget(txtPause);
    pauseRow->addWidget(new QLabel(QStringLiteral("seconds"), frame));
    pauseRow->addStretch();
    column->addWidget(chkClear);
    column->addWidget(chkAuto);
    column->addWidget(chkAtOnce);
    column->addWidget(pauseLabel);
    column->addLayout(pauseRow);
    column->addStretch();
    return frame;
}

QWidget* Form2::buildButtons() {
    auto* strip = new QWidget(this);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    Command1 = new QPushButton(QStringLiteral("Ok"), strip);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), strip);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("Reset"), strip);
    Command3->setObjectName(QStringLiteral("Command3"));
    row->addWidget(Command3);
    row->addStretch();
    row->addWidget(Command1);
    row->addWidget(Command2);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    return strip;
}

void Form2::Form_Load() {
    const OptionsValues values = OptionsValues::load(appPaths::settingsPath());
    for (std::size_t i = 0; i < m_templateFields.size(); ++i)
        m_templateFields[i]->setText(values.templates[i]);
    for (SourcePickerWidget* picker : m_sourcePickers) picker->load(appPaths::settingsPath());
    // Low first, then Medium, then High; each set is a change that is checked.
    for (int i = 0; i < ThresholdFields::kCount; ++i) setThreshold(i, values.thresholds[i]);
    chkAuto->setChecked(values.autoSort);
    chkClear->setChecked(values.clearFirst);
    chkAtOnce->setChecked(values.atOnce);
    txtPause->setText(values.pause);
    if (branding().skinEnabled) {
        applySkin(this);
        mirrorLabels(this);
    }
}

void Form2::txtProfile_Change(int index) {
    if (m_mirroring) return;
    m_thresholds.edit(index, txtProfile[index]->text());
}

void Form2::setThreshold(int index, const QString& text) {
    txtProfile[index]->setText(text);
    m_thresholds.finish(index);
}

void Form2::mirrorThreshold(int index, const QString& text) {
    const bool outer = m_mirroring;
    m_mirroring = true;
    txtProfile[index]->setText(text);
    m_mirroring = outer;
}

void Form2::Command1_Click() {
    // A field still being typed in is finished before its value is saved.
    for (int i = 0; i < ThresholdFields::kCount; ++i) m_thresholds.finish(i);
    const QString settingsFile = appPaths::settingsPath();
    bool templatesSaved = true;
    for (const EngineSpec& engine : engineSpecs()) {
        const QString text = m_templateFields[static_cast<std::size_t>(engine.id)]->text();
        templatesSaved = writeEngineTemplate(engine, text, settingsFile) && templatesSaved;
    }
    OptionsValues values;
    for (int i = 0; i < ThresholdFields::kCount; ++i) values.thresholds[i] = txtProfile[i]->text();
    values.autoSort = chkAuto->isChecked();
    values.clearFirst = chkClear->isChecked();
    values.atOnce = chkAtOnce->isChecked();
    values.pause = txtPause->text();
    const bool optionsSaved = saveScanOptions(values);
    QString sourcesError;
    bool sourcesSaved = true;
    for (SourcePickerWidget* picker : m_sourcePickers) sourcesSaved = picker->save(settingsFile, &sourcesError) && sourcesSaved;
    if (!sourcesSaved)
        platform::ui().messageBox(this, sourcesError, QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                                  UiPlatform::Icon::Warning);

    if (!templatesSaved)
        platform::ui().messageBox(this, templatesNotSavedMessage(settingsFile),
                                  QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                                  UiPlatform::Icon::Warning);
    if (!optionsSaved)
        platform::ui().messageBox(this, optionsNotSavedMessage(settingsStore::fileName()),
                                  QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                                  UiPlatform::Icon::Warning);
    accept();
}

void Form2::Command2_Click() { reject(); }

void Form2::Command3_Click() {
    const auto answer = platform::ui().messageBox(
        this, QStringLiteral("This will reset all engines, Continue?"), QStringLiteral("Warning"),
        UiPlatform::Buttons::YesNo, UiPlatform::Icon::None);
    if (answer == UiPlatform::Answer::Yes) {
        const QString settingsFile = appPaths::settingsPath();
        bool saved = true;
        for (const EngineSpec& engine : engineSpecs()) {
            QLineEdit* field = m_templateFields[static_cast<std::size_t>(engine.id)];
            field->setText(defaultTemplate(engine));
            saved = writeEngineTemplate(engine, field->text(), settingsFile) && saved;
        }
        if (!saved)
            platform::ui().messageBox(this, templatesNotSavedMessage(settingsFile),
                                      QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                                      UiPlatform::Icon::Warning);
    }
    const auto defaults = OptionsValues::defaultThresholds();
    for (int i = 0; i < ThresholdFields::kCount; ++i) setThreshold(i, defaults[i]);
}
