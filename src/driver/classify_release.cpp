// ClassifyRelease: which release a text names, by the literals that hold it.
#include "classify_release.h"
#include "../runtime/runtime.h"

static int OccursInside(const char *text, const char *literal)
{
    return RtStrStr(literal, text) != 0;
}

int ClassifyRelease(const char *text)
{
    // The literals are searched for the text, so a part of a literal (even
    // the empty text) names that literal's release; the first class wins.
    if (OccursInside(text, "1.0") || OccursInside(text, "1.0.0"))
        return RELEASE_1_0;
    if (OccursInside(text, "95.0.a") || OccursInside(text, "95.0.A"))
        return RELEASE_95_0_A;
    if (OccursInside(text, "95.0.b") || OccursInside(text, "95.0.B"))
        return RELEASE_95_0_B;
    return RELEASE_NONE;
}
