#pragma once

// The dialogs' pictures live in a resource of this static library, which the linker would
// leave out of a program that never names it: a form that shows one calls this first.
void initDialogArt();
