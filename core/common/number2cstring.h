// number2str: formats a number into the thread's one buffer of 50 characters.
// Every call overwrites the text of the thread's previous call of any
// overload, so use (print or copy) a result before asking for the next.
#ifndef SARVIK_NUMBER2CSTRING_H
#define SARVIK_NUMBER2CSTRING_H

const char* number2str(int n);       // "%d"
const char* number2str(unsigned n);  // "%u"
const char* number2str(double x);    // "%lg"
const char* number2str(float x);     // "%g"

#endif
