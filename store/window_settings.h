#pragma once

// Settings routines that work on forms and combo boxes: window placement (kept in twips under
// "Windows\" + the form's name less its "frm" prefix, per instance) and combo-box history lists.

#include <QString>

class QComboBox;
class QWidget;

namespace store {

// The section of a form's placement: "Windows\" + its object name without the first three
// characters ("Windows\ProcEdit" for frmProcEdit).
QString windowSection(const QWidget* form);

// Restores the form's position ("Top", "Left", default 0) and size ("Width" 9600, "Height" 6810)
// from the application named by the general name + suffix. A stored measure that is no number
// raises error 13; a position on no screen is not taken, so the window cannot end up out of reach,
// and a window larger than the screen's available area is made to fit it.
void WindowRestore(QWidget* form, const QString& suffix, bool position = true, bool size = true);
// Writes "State" (0 normal, 2 maximised) unless the form is minimised, and its position and size
// only while it is in the normal state.
void WindowSave(QWidget* form, const QString& suffix, bool position = true, bool size = true);

// Adds the non-empty values of "Item 0" to "Item " + last to the combo's list; an empty combo text
// then selects the first entry.
void LoadComboList(QComboBox* combo, int last, const QString& app, const QString& section);
// Writes the list's entries 0 to last to "Item 0" ... ("" past the list's end).
void SaveComboList(QComboBox* combo, int last, const QString& app, const QString& section);
// Moves text to the top of the combo's list (every equal entry removed first) and selects it.
void AddComboTop(QComboBox* combo, const QString& text);

}  // namespace store
