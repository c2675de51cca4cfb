#pragma once

// Search handles of the stand-in still open: zero after every judgement.
int FuzzOpenSearches();

// The thread's error mode: back to 0 after every judgement.
unsigned long FuzzErrorMode();
