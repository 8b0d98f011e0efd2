#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMap>

#include "../capture/document_host.h"

class QAction;

namespace velmora {

class CVelmoraDoc;
class CVelmoraView;
class CVelmoraApp;
class Interaction;

// The main window: menus, toolbar, status bar with the lock-key
// indicators, and the routing of every command by its number.
class CMainFrame final : public QMainWindow, public DocumentHost {
    Q_OBJECT

public:
    CMainFrame(CVelmoraApp& app, CVelmoraDoc& document, Interaction& interaction);

    CVelmoraView* view() const { return view_; }
    // The action of a command, for the menus and the tests.
    QAction* action(int id) const { return actions_.value(id); }
    QString statusText() const { return status_; }

    // Routes a command to the document, the view or the application.
    void OnCommand(int id);

    void SetStatusText(const std::string& text) override;
    void InvalidateView(bool erase) override;
    void SetCaptureTimer() override;
    void ShowLevels(const CaptureLevels& levels) override;
    QString levelText(int input) const { return levels_[input]->text(); }
    bool levelMarked(int input) const { return !levels_[input]->styleSheet().isEmpty(); }
    QString overflowText() const { return overflows_->text(); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, const char* text, int id, const QList<QKeySequence>& keys,
                        const char* prompt);
    void buildMenus();
    void buildMeasurementMenus(QMenu* view);
    void buildToolBar();
    void buildStatusBar();
    void updateLockIndicators();
    void updateChecks();

    CVelmoraApp& app_;
    CVelmoraDoc& document_;
    CVelmoraView* view_;
    QMap<int, QAction*> actions_;
    QLabel* levels_[2] = {};
    QLabel* overflows_ = nullptr;
    QLabel* caps_ = nullptr;
    QLabel* num_ = nullptr;
    QLabel* scroll_ = nullptr;
    QString status_;
};

}  // namespace velmora
