#pragma once
// A Stelmar site for tests: tables built from fixture JSON under
// root + "stelmar/" and a configuration pointed at them, for the working
// date 2026-04-10 with five days back and sending from 2026-04-01.
#include <string>

#include "config/Config.h"
#include "support/Countries.h"
#include "warehouse/Parties.h"

namespace brenvik::testing {

void BuildStelmarSite(const std::string& json, const std::string& root, TConfig& config);

// A customer record as the reader gives it; iso "" for no country.
inline TCustomerData CustomerRecord(const std::string& name, const std::string& address,
                                    const std::string& iso, const std::string& identifier,
                                    const std::string& prefix = {}) {
  TCustomerData c;
  c.Name = name;
  c.Address = address;
  c.Country = iso.empty() ? nullptr : CountryByIso(iso);
  c.Identifier = identifier;
  c.Prefix = prefix;
  return c;
}

}  // namespace brenvik::testing
