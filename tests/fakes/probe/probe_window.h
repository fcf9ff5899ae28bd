// The probe's window inside the saver's process: a message-only window "QuorvaneProbe" that
// answers questions about the process it lives in. Both the probe and the sequencer double
// make it, so a test can count objects whichever of them sits beside the saver.
#ifndef QUORVANE_PROBE_WINDOW_H
#define QUORVANE_PROBE_WINDOW_H

#include <windows.h>

const UINT PROBE_GDI_OBJECTS = WM_APP + 1;
const UINT PROBE_WINDOWS = WM_APP + 2;
const UINT PROBE_CPU_MS = WM_APP + 3;

void CreateProbeWindow(HINSTANCE instance);

#endif
