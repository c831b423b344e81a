// The DOS-mode hand-off: PATCH.BAT, the fields of Patch.pif and the launch.
#ifndef ZARIZED_HANDOFF_H
#define ZARIZED_HANDOFF_H

int WriteHandoffBatch(const char *productDir);
// shellProgram and shellParameters are 260-byte buffers.
int BuildShellCommand(const char *windowsDir, const char *productDir, char *shellProgram, char *shellParameters);
int PatchPifFile(const char *pifPath, const char *productDir, const char *shellProgram, const char *shellParameters);
int LaunchProgram(const char *program, const char *directory, const char *arguments, int wait);

#endif
