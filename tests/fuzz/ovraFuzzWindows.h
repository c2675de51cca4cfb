#pragma once

// Search handles of the stand-in still open: zero after every judgement.
int FuzzOpenSearches();
