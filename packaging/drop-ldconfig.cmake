# Run by CPack after it made the Debian package. CPack adds postinst and postrm scripts that call
# ldconfig whenever a shared object lies under /usr/lib; the package's only one is the programs'
# private front-end module in /usr/lib/varnholt, which they load by its path and the dynamic
# linker never looks up. The package is repacked without those scripts (lintian: needless
# ldconfig calls), everything else as CPack made it.
cmake_policy(SET CMP0007 NEW)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  set(changed FALSE)
  foreach(script postinst postrm)
    set(path "${tree}/DEBIAN/${script}")
    if(EXISTS "${path}")
      file(STRINGS "${path}" lines)
      # Only CPack's own: a shebang, set -e, and the ldconfig call in its if.
      list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ .*\\]; then|[ \t]*ldconfig|fi|[ \t]*)$")
      if(lines)
        message(FATAL_ERROR "${script} of ${deb} does more than call ldconfig: ${lines}")
      endif()
      file(REMOVE "${path}")
      set(changed TRUE)
    endif()
  endforeach()
  if(changed)
    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip -b "${tree}" "${deb}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()
