// PENDING: replaced by the real hand-off operations.
#include "handoff.h"
int WriteHandoffBatch(const char *productDir) { (void)productDir; return 0; }
int BuildShellCommand(const char *w, const char *p, char *a, char *b) { (void)w; (void)p; (void)a; (void)b; return 0; }
int PatchPifFile(const char *f, const char *p, const char *a, const char *b) { (void)f; (void)p; (void)a; (void)b; return 0; }
int LaunchProgram(const char *p, const char *d, const char *a, int w) { (void)p; (void)d; (void)a; (void)w; return 0; }
