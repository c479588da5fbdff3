# Finds libpcap: Pcap_FOUND and the imported target Pcap::Pcap. PCAP_ROOT (a CMake or
# environment variable) names a prefix to search first, such as another build of libpcap.
find_path(Pcap_INCLUDE_DIR pcap/pcap.h HINTS ${PCAP_ROOT} ENV PCAP_ROOT PATH_SUFFIXES include)
find_library(Pcap_LIBRARY NAMES pcap wpcap HINTS ${PCAP_ROOT} ENV PCAP_ROOT PATH_SUFFIXES lib)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Pcap REQUIRED_VARS Pcap_LIBRARY Pcap_INCLUDE_DIR)
mark_as_advanced(Pcap_INCLUDE_DIR Pcap_LIBRARY)

if(Pcap_FOUND AND NOT TARGET Pcap::Pcap)
  add_library(Pcap::Pcap UNKNOWN IMPORTED)
  set_target_properties(Pcap::Pcap PROPERTIES
    IMPORTED_LOCATION "${Pcap_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${Pcap_INCLUDE_DIR}")
endif()
