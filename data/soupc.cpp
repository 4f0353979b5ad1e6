// velmar_soupc: converts a soup file between formats, such as the interface text into its chunked form.
#include <cstdio>

#include "soup/SoupRef.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: velmar_soupc <input soup> <output soup>\n"
                             "The formats follow the extensions (.txt text, .chump chunked).\n");
        return 2;
    }
    SoupRef soup;
    if (!soup.Load(argv[1]) || soup.GetTagCount() == 0) {
        std::fprintf(stderr, "velmar_soupc: cannot read a soup with any tag from '%s'\n", argv[1]);
        return 1;
    }
    if (!soup.Save(argv[2])) {
        std::fprintf(stderr, "velmar_soupc: cannot write '%s'\n", argv[2]);
        return 1;
    }
    return 0;
}
