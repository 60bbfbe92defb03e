/* The math commands and the random-number generator as a program sees them. */
#include <korva.h>

static void showFloat(const char *label, float value) { kprint2(label, __qyStrFromFloat(value)); }
static void showInt(const char *label, int value) { kprint2(label, __qyStrFromInt(value)); }

void __MAIN(void) {
    /* The first draws after start-up, before anything else touches the generator. */
    showFloat("rnd ", _frnd(0.0f, 1.0f));
    showInt("rand ", _frand(1, 10));
    showInt("rand ", _frand(1, 6));
    _fseedrnd(65537);
    showInt("seeded rand ", _frand(1, 100));
    showFloat("seeded rnd ", _frnd(0.0f, 2.0f));
    _fseedrnd(12345);
    showFloat("rnd10 ", _frnd(10.0f, 0.0f));
    showInt("rand reversed ", _frand(10, -10));

    showFloat("sin90 ", _fsin(90.0f));
    showFloat("sin30 ", _fsin(30.0f));
    showFloat("cos90 ", _fcos(90.0f));
    showFloat("tan45 ", _ftan(45.0f));
    showFloat("tan90 ", _ftan(90.0f));
    showFloat("asin0.5 ", _fasin(0.5f));
    showFloat("acos-1 ", _facos(-1.0f));
    showFloat("atan1 ", _fatan(1.0f));
    showFloat("atan2(1,0) ", _fatan2(1.0f, 0.0f));
    showFloat("atan2(0,-1) ", _fatan2(0.0f, -1.0f));
    showFloat("sqr2 ", _fsqr(2.0f));
    showFloat("sqr-1 ", _fsqr(-1.0f));
    showFloat("floor-1.5 ", _ffloor(-1.5f));
    showFloat("ceil-1.5 ", _fceil(-1.5f));
    showFloat("exp1 ", _fexp(1.0f));
    showFloat("log10 ", _flog(10.0f));
    showFloat("log0 ", _flog(0.0f));
    showFloat("log10(1000) ", _flog10(1000.0f));
}
