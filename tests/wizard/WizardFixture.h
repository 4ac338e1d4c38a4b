#pragma once

#include "Form.h"
#include "uTZybWizard.h"

#include <QStringList>
#include <QWidget>

#include <optional>

// A window shaped like the installer's: client 489 x 359, the wizard filling it, four pages with
// the installer's button sets, and a log of the events that the pages and the wizard fire.
class WizardWindow : public QWidget, public vx::Form {
public:
    explicit WizardWindow(bool load = true) {
        resize(489, 359);
        wizard = addComponent(new TZybWizard(this), "ZybWizard1");
        pWelcome = addComponent(new TZybWizardWelcomePage(wizard), "pWelcome");
        pLicence = addComponent(new TZybWizardInteriorPage(wizard), "pLicence");
        pInstall = addComponent(new TZybWizardInteriorPage(wizard), "pInstall");
        pProgress = addComponent(new TZybWizardInteriorPage(wizard), "pProgress");
        pWelcome->SetEnabledButtons(TZybWizardButtonSet::all().without(bkNext));
        pWelcome->SetVisibleButtons({bkNext, bkCancel, bkHelp});
        pLicence->SetVisibleButtons({bkBack, bkNext, bkCancel, bkHelp});
        pInstall->SetVisibleButtons({bkBack, bkNext, bkCancel, bkHelp});
        pProgress->SetVisibleButtons({bkFinish, bkHelp});
        for (TZybWizardCustomPage* page : pages())
            record(page);
        wizard->OnSelectFirstPage = selectLogger("selectFirst");
        wizard->OnSelectNextPage = selectLogger("selectNext");
        wizard->OnSelectPriorPage = selectLogger("selectPrior");
        wizard->OnSelectLastPage = selectLogger("selectLast");
        if (load)
            wizard->Loaded();
    }

    QList<TZybWizardCustomPage*> pages() const { return {pWelcome, pLicence, pInstall, pProgress}; }

    static QString name(const QObject* object) {
        return object ? object->objectName() : QStringLiteral("null");
    }

    // Logs enter and exit of the page as "enter(page,other)" and "exit(page,other)".
    void record(TZybWizardCustomPage* page) {
        page->OnEnterPage = [this](TZybWizardCustomPage* sender, TZybWizardCustomPage* previous) {
            log << QStringLiteral("enter(%1,%2)").arg(name(sender), name(previous));
        };
        page->OnExitPage = [this](TZybWizardCustomPage* sender, TZybWizardCustomPage* target) {
            log << QStringLiteral("exit(%1,%2)").arg(name(sender), name(target));
        };
    }

    TZybWizardSelectPageEvent selectLogger(const QString& event) {
        return [this, event](TZybWizard*, TZybWizardCustomPage* from, TZybWizardCustomPage*& to) {
            log << QStringLiteral("%1(%2,%3)").arg(event, name(from), name(to));
            if (redirect)
                to = *redirect;
        };
    }

    // Clicks a wizard button through its click protocol.
    void click(TZybWizardButtonKind kind) { wizard->Button(kind)->click(); }

    TZybWizard* wizard;
    TZybWizardWelcomePage* pWelcome;
    TZybWizardInteriorPage* pLicence;
    TZybWizardInteriorPage* pInstall;
    TZybWizardInteriorPage* pProgress;
    QStringList log;
    // When set, every select event answers this page (null vetoes).
    std::optional<TZybWizardCustomPage*> redirect;
};

// The set of kinds for which the predicate holds.
template <class Pred> TZybWizardButtonSet buttonsWhere(const TZybWizard& wizard, Pred pred) {
    TZybWizardButtonSet set;
    for (int i = 0; i < WizardButtonKindCount; ++i)
        if (pred(wizard.Button(TZybWizardButtonKind(i))))
            set = set.with(TZybWizardButtonKind(i));
    return set;
}

inline TZybWizardButtonSet shownButtons(const TZybWizard& wizard) {
    return buttonsWhere(wizard, [](QWidget* b) { return !b->isHidden(); });
}

inline TZybWizardButtonSet enabledButtons(const TZybWizard& wizard) {
    return buttonsWhere(wizard, [](QWidget* b) { return b->isEnabled(); });
}

inline void PrintTo(TZybWizardButtonSet set, std::ostream* os) {
    *os << "{" << int(set.bits()) << "}";
}
