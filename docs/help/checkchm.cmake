# Run with -DCHM=<file>: fails the build when the compiler left no help file.
if(NOT EXISTS "${CHM}")
  message(FATAL_ERROR "${CHM} was not produced")
endif()
file(SIZE "${CHM}" chm_size)
if(chm_size EQUAL 0)
  message(FATAL_ERROR "${CHM} is empty")
endif()
