#include "sources/source_picker_widget.h"

#include "config/ini_file.h"
#include "sources/count_source.h"
#include "sources/credentials.h"
#include "sources/source_file.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QString kOff = QStringLiteral("off");

}  // namespace

SourcePickerWidget::SourcePickerWidget(const EngineSpec& engine, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_list(new QComboBox(this)), m_fields(new QWidget(this)),
      m_form(new QFormLayout(m_fields)) {
    const int slot = static_cast<int>(engine.id) + 1;
    setObjectName(QStringLiteral("SourcePicker%1").arg(slot));
    m_list->setObjectName(QStringLiteral("cboSource%1").arg(slot));
    m_list->setAccessibleName(QStringLiteral("Source of ") + QLatin1String(engine.gridCaption));
    m_form->setContentsMargins(0, 0, 0, 0);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(m_list);
    column->addWidget(m_fields);
    connect(m_list, &QComboBox::currentIndexChanged, this, &SourcePickerWidget::cboSource_Change);
}

void SourcePickerWidget::load(const QString& settingsFile) {
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    m_list->addItem(QLatin1String(m_engine.gridCaption) + QStringLiteral(" (built-in)"), QString());
    for (const QString& name : sourceNames()) {
        const SourceLoad load = loadSourceFile(sourceFilePath(name));
        m_list->addItem(load.source ? load.source->caption + QStringLiteral(" (") + name + QLatin1Char(')') : name, name);
    }
    m_list->addItem(QStringLiteral("Off"), kOff);
    const QString binding = sourceBinding(m_engine, settingsFile);
    int index = m_list->findData(binding.compare(kOff, Qt::CaseInsensitive) == 0 ? kOff : binding);
    if (index < 0) {
        // A binding to a file that is gone still shows, so saving keeps it.
        m_list->insertItem(m_list->count() - 1, binding, binding);
        index = m_list->count() - 2;
    }
    m_list->setCurrentIndex(index);
    cboSource_Change();
}

void SourcePickerWidget::cboSource_Change() {
    while (m_form->rowCount() > 0) m_form->removeRow(0);
    m_credentials.clear();
    const QString name = m_list->currentData().toString();
    m_fields->setVisible(false);
    if (name.isEmpty() || name == kOff) return;
    const SourceLoad load = loadSourceFile(sourceFilePath(name));
    if (!load.source) return;
    const QStringList keys = load.source->credentialKeys();
    const credentials::Lookup stored = credentials::lookup(name, keys, false);
    const int slot = static_cast<int>(m_engine.id) + 1;
    for (const QString& key : keys) {
        auto* field = new QLineEdit(m_fields);
        field->setObjectName(QStringLiteral("txtCredential%1_%2").arg(slot).arg(key));
        field->setEchoMode(QLineEdit::Password);
        field->setPlaceholderText(stored.values.contains(key) ? QStringLiteral("(stored)") : QString());
        m_form->addRow(key + QLatin1Char(':'), field);
        m_credentials.insert(key, field);
    }
    m_fields->setVisible(!keys.isEmpty());
}

bool SourcePickerWidget::save(const QString& settingsFile, QString* error) {
    const QString name = m_list->currentData().toString();
    // The built-in engine needs no key: a settings file that never had a binding stays without one.
    const bool unchanged = name == sourceBinding(m_engine, settingsFile);
    if (!unchanged && !IniWriteKey(QStringLiteral("Sources"), QLatin1String(m_engine.key), name, settingsFile)) {
        if (error) *error = QStringLiteral("%1 cannot be written").arg(settingsFile);
        return false;
    }
    for (auto it = m_credentials.cbegin(); it != m_credentials.cend(); ++it) {
        if (it.value()->text().isEmpty()) continue;
        if (!credentials::store(name, it.key(), it.value()->text(), nullptr, error)) return false;
    }
    return true;
}
