#include "fontx2sheet/fontx2sheet.h"

int main(int argc, char **argv) {
    return fontx2sheet_main(argc, argv);
}
