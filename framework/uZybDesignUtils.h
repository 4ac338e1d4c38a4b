#pragma once

#include <QObject>
#include <QString>

// Property paths into a window, as translation tables write them: "Label1.Caption",
// "lvConnections.Columns.Items[0].Caption", "pWelcome.Header.Title.Text", "TfCrfLogin.Caption".
// The first part is the root's class name or the name of a component the root owns; the middle
// parts are sub-object properties or "Items[n]" of a collection; the last part is the property.

struct TZybPropPath {
    QObject* Object = nullptr; // the object holding the last property, null when none
    QString PropName;
};

// Raises "Property %s does not exist" for a middle part that names no property, "'%s' is not a
// valid integer value" for a bad item index and "List index out of bounds (%d)" for an index
// outside the collection. A path without a point, an unknown first part or a middle property
// that holds no object names nothing.
TZybPropPath ResolvePropPath(QObject* root, const QString& path);

// Writes the text into a string property, or as lines (split at CR LF, CR or LF) into a string
// list property; false when the object has no such property of either kind.
bool SetPropText(QObject* object, const QString& propName, const QString& text);

bool SetPropPathText(QObject* root, const QString& path, const QString& text);
