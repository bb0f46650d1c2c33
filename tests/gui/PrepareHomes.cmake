# Marks every GUI test's data folder as started before, so that no options
# dialog waits for an answer at the window's first show.
#
#   cmake -DHOMES="<folder>|<folder>|..." -P PrepareHomes.cmake
string(REPLACE "|" ";" homes "${HOMES}")
foreach(home ${homes})
  file(MAKE_DIRECTORY ${home})
  file(WRITE ${home}/Pelmo.ini "[FirstTime]\r\nFirstTime=0\r\n")
endforeach()
