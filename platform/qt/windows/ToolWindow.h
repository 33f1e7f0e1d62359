// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

namespace ohmrada::qt {

class CAnalysisWindows;
class CCircuitPanel;
struct CFormState;

// The base of the analysis windows beside the form. A tool window belongs
// to the form: it is the form window's child, so it stays in front of it and
// closes and goes with it. It is shown without being activated, so opening
// it or refreshing it never takes the keyboard focus from the form, and it
// never changes the form by itself. CAnalysisWindows creates it on its menu
// command and calls Follow after every recalculation cycle while it is
// visible, and once when it is shown. The first time it is shown it opens
// where it was last closed (CAnalysisWindows remembers that), or else beside
// the form (PlaceBesideForm).
class CToolWindow : public QWidget {
public:
    CToolWindow(CAnalysisWindows& owner, QWidget* form, const QString& title, const char* helpPage);

    // Shows the window beside the form, or raises it when it is open, without
    // taking the focus.
    void ShowBesideForm();
    // Brings the window up to date with the form's design.
    virtual void Follow(const CFormState& state) = 0;
    // Follow, with the window's panel "Schaltung" (if it has one) showing
    // the design's circuit first.
    void FollowForm(const CFormState& state);
    // The window's panel "Schaltung"; nullptr in a window without one.
    CCircuitPanel* CircuitPanel() const { return m_circuitPanel; }
    // The name its place is remembered under.
    QString PlaceKey() const;

protected:
    CAnalysisWindows& Owner() const { return m_owner; }
    // Makes the window's panel "Schaltung", for the window's layout.
    CCircuitPanel* MakeCircuitPanel();
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Closing or hiding it remembers its place and size.
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // The width the window may take beside the form (its frame left out).
    int RoomBesideForm() const;
    // Widens the window for its tables' columns, within the room beside the
    // form but never narrower than their headers.
    void WidenForColumns();
    // Shares the window's width out over its tables' columns, every header
    // whole.
    void FitColumns();
    // Called once FitColumns gave the columns their widths.
    virtual void ColumnsFitted() {}
    // Makes the window as high as its contents need, if it is lower.
    void GrowToContents();

private:
    CAnalysisWindows& m_owner;
    const char* m_helpPage;
    CCircuitPanel* m_circuitPanel = nullptr;
    bool m_placed = false;
    bool m_followed = false;  // Follow ran for the show about to come
    bool m_growing = false;   // GrowToContents is resizing the window
};

}  // namespace ohmrada::qt
