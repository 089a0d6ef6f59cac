// Uses the module's exported manager from another program.
#include <cstdio>

#include "quorvex/Quorvex.h"

int main() {
    CQuorvexManager* manager = Init();
    CString size;
    manager->FormatSizeText(1024, size, true);
    std::printf("%s|%s\n", static_cast<LPCSTR>(size),
                static_cast<LPCSTR>(manager->GetFileNameFromPath("dfm/a.txt")));
    Term();
    return 0;
}
