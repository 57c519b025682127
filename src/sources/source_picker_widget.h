#pragma once

#include "config/engine_catalog.h"

#include <QHash>
#include <QWidget>

class QComboBox;
class QFormLayout;
class QLineEdit;

// Beside an engine's template in the Options dialog: where the column's count
// comes from (the built-in engine first, then every Sources/*.ini, then Off)
// and a masked field for each credential the chosen source names. A stored
// credential is never read back into a field: an empty field keeps it.
class SourcePickerWidget final : public QWidget {
    Q_OBJECT
public:
    explicit SourcePickerWidget(const EngineSpec& engine, QWidget* parent = nullptr);

    // Shows the binding of settingsFile's [Sources].
    void load(const QString& settingsFile);
    // Writes the binding and every filled credential; false with error set
    // when either could not be written.
    bool save(const QString& settingsFile, QString* error);

    QComboBox* list() const { return m_list; }

private:
    void cboSource_Change();

    const EngineSpec& m_engine;
    QComboBox* m_list;
    QWidget* m_fields;
    QFormLayout* m_form;
    QHash<QString, QLineEdit*> m_credentials;  // key -> its field, for the chosen source
};
