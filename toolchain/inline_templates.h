// Force-included into the product's own code (toolchain/toolchain.cmake).
//
// libstdc++ declares its std::string members as extern templates, so every program
// that uses one links the library's object holding all of them. On i686 Windows the
// linker keeps each function that has unwind data (all of them), which makes that
// object cost about 33 KiB. Instantiated here instead, only the members the program
// calls are compiled in.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
