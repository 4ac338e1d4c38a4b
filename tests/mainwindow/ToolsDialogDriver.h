#pragma once

#include "ModalDriver.h"
#include "ufEditList.h"
#include "ufVornalex.h"

#include <QAction>
#include <QPushButton>

#include <functional>

namespace vx::test {

// Opens the first tool's dialog from the tools dialog; the step runs inside it, then both close.
inline void editFirstTool(TfVornalex& window, std::function<void(TfZybCustomDialog*)> step) {
    onNextModalOf<TfZybCustomDialog>([&window, step](TfZybCustomDialog* tools) {
        window.aToolsConfigure->SetActiveItem(0);
        onNextModalOf<TfZybCustomDialog>([step](TfZybCustomDialog* tool) {
            step(tool);
            tool->CancelButton().Button()->click();
        });
        window.aToolsConfigure->GetForm()->aEdit->trigger();
        tools->CancelButton().Button()->click();
    });
    window.aToolsSettle1->trigger();
}

} // namespace vx::test
