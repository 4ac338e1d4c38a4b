// Carries the files that the installer installs: the resource file built by this folder's rcc
// step, included byte for byte by the assembler (quick to rebuild, however large the program)
// and registered at start-up, so that its entries appear under ":/SETUPFILE/".
#include <QResource>

__asm__(".section .rodata\n"
        ".balign 16\n"
        ".globl vx_setup_payload\n"
        ".hidden vx_setup_payload\n"
        "vx_setup_payload:\n"
        ".incbin \"" VX_SETUP_RCC "\"\n"
        ".previous\n");

extern "C" const unsigned char vx_setup_payload[];

namespace {

const bool registered = QResource::registerResource(vx_setup_payload);

} // namespace
