// The DOS-mode hand-off: PATCH.BAT, the fields of Patch.pif and the launch.
#ifndef ZARIZED_HANDOFF_H
#define ZARIZED_HANDOFF_H

// Whether MS-DOS mode can be given the product folder, PATCH.BAT and the
// command shell within the bytes their PIF fields receive; when it cannot,
// shows why (message 2020 or 2021) and returns 0. Run before anything is
// staged or migrated: a hand-off that DOS cannot follow would leave a
// migrated product whose files are never patched.
int CheckHandoffFits(const char *windowsDir, const char *productDir);
int WriteHandoffBatch(const char *productDir);
// shellProgram and shellParameters are 260-byte buffers.
int BuildShellCommand(const char *windowsDir, const char *productDir, char *shellProgram, char *shellParameters);
int PatchPifFile(const char *pifPath, const char *productDir, const char *shellProgram, const char *shellParameters);
int LaunchProgram(const char *program, const char *directory, const char *arguments, int wait);

#endif
