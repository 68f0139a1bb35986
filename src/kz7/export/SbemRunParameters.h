#pragma once
// The arguments of an SBEM run, in the order of the control's SBEM method.
#include <cstdint>
#include <string>

namespace kz7 {

struct SbemRunParameters {
    int32_t RegsType = 0;   // building regulations, 1..8 (see docs/sbem.md)
    int32_t EPCType = 0;    // 1..4 EPC generator, 5 Irish BER generator, other: none
    int32_t BERSTAGE = 0;   // 1 "As designed", 2 "As built"
    int32_t BRSTAGE = 0;    // 1 "As designed", 2 "As built"
    int32_t BRS6BTYPE = 0;  // Scottish building kind 1..3
    bool BRS6ACCREDCONST = false;
    bool BRS6NVCREDIT = false;
    std::string EPClanguage;
    std::string SBEMProduceEPCXML;
    std::string SBEMScotlandRatingImprov;
    bool AllowMergeZones = false;
    bool GenDataReflection = false;
    bool SBEM32bFeatures = false;
    // Passed on the Irish generator's command line only; never logged.
    std::string EAActivationCode;
    std::string ProxyServerURL;
    std::string ProxyServerPort;
    // Appended to the tool command lines only; never logged, and the run
    // script that carried them is removed after the run.
    std::string ProxyServerUsername;
    std::string ProxyServerPassword;
};

}  // namespace kz7
