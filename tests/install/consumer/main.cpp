// A host linking the installed library: it only needs find_package(Hyx).
#include <Hyx/Export.h>

int main()
{
    return 0;
}
