# Makes the Windows Installer package of one build tree with wixl:
#   cmake -DBUILD=<tree> -DARCH=x64|x86 -DVERSION=<x.y.z> -DMSI=<out.msi>
#         [-DSTAGING=<folder>] -P make_msi.cmake
# What it installs is what the zip holds: the tree's install rules, stripped,
# staged first. VERSION may be another than the project's, for the tests'
# upgrade from an older package.
foreach(var BUILD ARCH VERSION MSI)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "make_msi.cmake needs -D${var}=...")
    endif()
endforeach()
if(NOT DEFINED STAGING)
    set(STAGING ${BUILD}/package/msi-staging)
endif()

# One UpgradeCode per architecture, fixed for ever: it is what makes a newer
# package of the same architecture replace an older one.
if(ARCH STREQUAL "x64")
    set(upgrade_code f0223c5a-6c5c-4f5d-8733-e7f9ae092a39)
    set(program_files ProgramFiles64Folder)
    set(win64 yes)
elseif(ARCH STREQUAL "x86")
    set(upgrade_code 48e7b150-11bc-4543-88ba-e0f9fe796c88)
    set(program_files ProgramFilesFolder)
    set(win64 no)
else()
    message(FATAL_ERROR "ARCH is x64 or x86, not ${ARCH}")
endif()

# The ProductCode follows from the version and the architecture: two builds
# of one version are one product, so installing the second finds the first
# installed instead of adding another entry beside it (wixl has no
# AllowSameVersionUpgrades, and a new code each time did just that).
string(UUID product_code NAMESPACE ${upgrade_code} NAME "kovir ${VERSION} ${ARCH}" TYPE SHA1 UPPER)

find_program(WIXL wixl REQUIRED)
file(REMOVE_RECURSE ${STAGING})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGING} --strip
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "staging the install tree of ${BUILD} failed")
endif()
get_filename_component(here ${CMAKE_CURRENT_LIST_FILE} DIRECTORY)
# wixl takes file names relative to the source it reads.
file(COPY ${here}/kovir.wxs ${here}/kovir.ico DESTINATION ${STAGING})
get_filename_component(out_dir ${MSI} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
execute_process(COMMAND ${WIXL} -a ${ARCH} -o ${MSI} -D Version=${VERSION} -D Arch=${ARCH}
                        -D ProductCode=${product_code} -D UpgradeCode=${upgrade_code} -D ProgramFiles=${program_files}
                        -D Win64=${win64} kovir.wxs
                WORKING_DIRECTORY ${STAGING} RESULT_VARIABLE made ERROR_VARIABLE said)
if(NOT made EQUAL 0)
    message(FATAL_ERROR "wixl failed (${made}): ${said}")
endif()
message(STATUS "Made ${MSI}")
