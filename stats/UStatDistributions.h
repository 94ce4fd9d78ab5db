#pragma once
// Distribution library mode 1: built on the F probability of ACM Algorithm 322, or on the
// external library's F entry once that is loaded.
#include "stats/StatDistrib/StatDistribEntries.h"

// Entries of the external library, empty until Ustatistics loads it. Only the four typed ones
// are ever called; the other five are looked up and kept.
extern void* vf_N;
extern TNalphaEntry vf_Nalpha;
extern void* vf_T;
extern TTalphaEntry vf_Talpha;
extern void* vf_Chi2;
extern void* vf_Chi2alpha;
extern void* vf_F;
extern TFalphaEntry vf_Falpha;
extern TPROBEntry vf_PROB;

// An entry's result widened to extended; a result that is no number becomes MissingValue.
long double EntryResult(double value);

// P(F(df1, df2) <= x), computed here. A degree of freedom below 1 gives MissingValue.
long double ProbF(int df1, int df2, long double x);
// P(F(df1, df2) <= x) through vf_PROB when loaded, else ProbF.
long double PROB(int df1, int df2, long double x);

long double ST_Alpha_n(long double x);
long double ST_Alpha_t(int df, long double x);
long double ST_Alpha_F(int df1, int df2, long double x);
