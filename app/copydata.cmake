# Copies the data folder into the build tree when the source tree has one.
if(EXISTS "${SRC}")
  file(COPY "${SRC}/" DESTINATION "${DST}")
endif()
