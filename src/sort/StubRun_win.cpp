// Until the sorting run reaches this branch, a drop is taken over and released unused.
#include "sort/SortRun_win.h"

BOOL StartSortRun(HDROP drop) {
    DragFinish(drop);
    return TRUE;
}
