// The resource file built by this folder's rcc step, included byte for byte by the assembler:
// quick to rebuild however large the program is.
#include "SetupPayload.h"

#include <QResource>

__asm__(".section .rodata\n"
        ".balign 16\n"
        ".globl vx_setup_payload\n"
        ".hidden vx_setup_payload\n"
        "vx_setup_payload:\n"
        ".incbin \"" VX_SETUP_RCC "\"\n"
        ".previous\n");

extern "C" const unsigned char vx_setup_payload[];

namespace vx {

bool registerSetupPayload(const QString& root) {
    return QResource::registerResource(vx_setup_payload, root);
}

} // namespace vx
