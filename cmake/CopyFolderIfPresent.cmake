# cmake -DSOURCE=dir -DDESTINATION=dir -P CopyFolderIfPresent.cmake
# Brings the build tree's copy of a folder up to date, when the folder exists.
if(IS_DIRECTORY "${SOURCE}")
  file(COPY "${SOURCE}/" DESTINATION "${DESTINATION}")
endif()
