#include "Csat.h"

thread_local Csat_garbagecollector sat_alloc;

CBasicSatContainer::~CBasicSatContainer()
{
  for (Csat* s : *this) delete s;  // the record's destructor frees its missense storage
}

Csat* Csat_garbagecollector::get_new(const char* a, const char* b)
{
  Csat* s;
  if (empty()) {
    s = new Csat;
  } else {
    s = back();
    pop_back();
  }
  s->reset(a, b);
  return s;
}

CsatContainer::~CsatContainer()
{
  pool->splice(pool->end(), *this);
}
