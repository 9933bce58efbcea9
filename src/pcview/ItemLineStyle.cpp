#include "pcview/ItemLineStyle.h"

#include <GL/glew.h>

void applyItemLineState() {
    glLineWidth(kItemLineWidthPx);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_MULTISAMPLE);
}
