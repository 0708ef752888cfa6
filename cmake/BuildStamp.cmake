# What a build stamps into the program: the maker's web site and the program's version record.

# The updater downloads and runs whatever this domain serves, so the default is a reserved
# name that never resolves: a build talks to a real site only when its maker names it.
set(SKYRELLE_SITE_DOMAIN "halvorn.example" CACHE STRING
    "Domain of the maker's web site: update descriptors, packages and web pages")
if(NOT SKYRELLE_SITE_DOMAIN MATCHES "^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$")
  message(FATAL_ERROR "SKYRELLE_SITE_DOMAIN must be a plain host name: '${SKYRELLE_SITE_DOMAIN}'")
endif()

# The site keeps each platform's descriptor and packages in a folder of its own below "/files/",
# so that a Linux program never fetches the Windows package, nor one built for another CPU.
# The Windows program keeps "/files/" itself.
if(WIN32)
  set(SKYRELLE_SITE_PLATFORM_FOLDER "")
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" SKYRELLE_SITE_PLATFORM_FOLDER)
endif()

# Packages must carry an Ed25519 signature by the maker's key when this holds its public key
# (base64 of the 32 key bytes, or the body of "openssl pkey -pubout"); empty: no signature is
# required.
set(SKYRELLE_UPDATE_PUBLIC_KEY "" CACHE STRING
    "Base64 Ed25519 public key that update packages must be signed with; empty: unsigned")
if(NOT SKYRELLE_UPDATE_PUBLIC_KEY MATCHES "^[A-Za-z0-9+/]*=*$")
  message(FATAL_ERROR "SKYRELLE_UPDATE_PUBLIC_KEY must be base64: '${SKYRELLE_UPDATE_PUBLIC_KEY}'")
endif()

# The maker's PayPal donation button, opened by the About window and the donation prompt.
set(SKYRELLE_DONATION_BUTTON_ID "" CACHE STRING
    "Identifier of the maker's PayPal donation button (hosted_button_id)")
if(NOT SKYRELLE_DONATION_BUTTON_ID MATCHES "^[A-Za-z0-9]*$")
  message(FATAL_ERROR "SKYRELLE_DONATION_BUTTON_ID must be letters and digits: '${SKYRELLE_DONATION_BUTTON_ID}'")
endif()

# The four version numbers (major, minor, release, build) from the project version; each is
# a 16-bit number in the record. SKYRELLE_VERSION_TEXT is their "1.0.0.1" form.
set(SKYRELLE_VERSION_NUMBERS "")
foreach(part MAJOR MINOR PATCH TWEAK)
  set(number "${Skyrelle_VERSION_${part}}")
  if(number STREQUAL "")
    set(number 0)
  endif()
  if(number GREATER 65535)
    message(FATAL_ERROR "Version number ${number} does not fit the version record (0 to 65535)")
  endif()
  list(APPEND SKYRELLE_VERSION_NUMBERS ${number})
endforeach()
list(JOIN SKYRELLE_VERSION_NUMBERS "." SKYRELLE_VERSION_TEXT)

# The record: a 16-byte marker, the four numbers as little-endian 16-bit values, then the
# same eight bytes inverted so that a stray copy of the marker is not taken for a record.
# The reader in src/update/FileVersion.cpp holds the marker inverted; keep the two in step.
set(_record 233 244 66 239 45 163 84 232 220 233 66 155 238 146 168 74)
set(_numbers "")
set(_inverted "")
foreach(number IN LISTS SKYRELLE_VERSION_NUMBERS)
  math(EXPR low "${number} % 256")
  math(EXPR high "${number} / 256")
  math(EXPR inverted_low "255 - ${low}")
  math(EXPR inverted_high "255 - ${high}")
  list(APPEND _numbers ${low} ${high})
  list(APPEND _inverted ${inverted_low} ${inverted_high})
endforeach()
list(APPEND _record ${_numbers} ${_inverted})
list(JOIN _record ", " SKYRELLE_VERSION_RECORD_BYTES)
unset(_record)
unset(_numbers)
unset(_inverted)

# skyrelle_add_version_record(<executable>): builds the version record into the program file,
# where GetFileVersionText finds it. On Linux the record is also reachable as the C symbol
# skyrelle_version_record, so tests can build files around it; on Windows it is the file's
# VERSIONINFO resource, beside the manifest that declares the program DPI-aware per monitor.
# The window libraries the program links directly bring their icons and pictures into the same
# script (skyrelle_add_window_resources): the link refuses icons from two scripts, which number
# their images alike.
function(skyrelle_add_version_record target)
  if(WIN32)
    list(JOIN SKYRELLE_VERSION_NUMBERS "," SKYRELLE_VERSION_COMMAS)
    set(SKYRELLE_MANIFEST "${PROJECT_SOURCE_DIR}/cmake/windows/Program.manifest")
    set(SKYRELLE_WINDOW_RESOURCES "")
    set(depends "${SKYRELLE_MANIFEST}")
    get_target_property(libraries ${target} LINK_LIBRARIES)
    foreach(library IN LISTS libraries)
      if(TARGET ${library})
        get_target_property(script ${library} SKYRELLE_RESOURCE_SCRIPT)
        if(script)
          get_target_property(files ${library} SKYRELLE_RESOURCE_FILES)
          string(APPEND SKYRELLE_WINDOW_RESOURCES "#include \"${script}\"\n")
          list(APPEND depends ${script} ${files})
          add_dependencies(${target} ${library}_resources)
        endif()
      endif()
    endforeach()
    set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_VersionInfo.rc")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/windows/VersionInfo.rc.in" "${source}" @ONLY)
    set_source_files_properties("${source}" PROPERTIES OBJECT_DEPENDS "${depends}")
    target_sources(${target} PRIVATE "${source}")
    return()
  endif()
  set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_VersionRecord.cpp")
  file(CONFIGURE OUTPUT "${source}" CONTENT [=[
// Generated by cmake/BuildStamp.cmake: version @SKYRELLE_VERSION_TEXT@.
extern "C" {
extern const unsigned char skyrelle_version_record[32];
__attribute__((used)) const unsigned char skyrelle_version_record[32] = {@SKYRELLE_VERSION_RECORD_BYTES@};
}
]=] @ONLY)
  target_sources(${target} PRIVATE "${source}")
endfunction()

# skyrelle_add_window_resources(<library> <script> <files>...): the icons and pictures of a
# library of Win32 windows, as a resource script and the files it names, rendered by the time
# a program that links the library is built (see skyrelle_add_version_record).
function(skyrelle_add_window_resources library script)
  add_custom_target(${library}_resources DEPENDS ${ARGN})
  set_target_properties(${library} PROPERTIES
    SKYRELLE_RESOURCE_SCRIPT "${script}" SKYRELLE_RESOURCE_FILES "${ARGN}")
endfunction()
