# Gives a case file a fresh working folder holding a copy of the kernel's
# fixtures as "fixtures": cmake -Ddir=<folder> -Dfixtures=<folder> -P prepare.cmake
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${dir}")
file(COPY "${fixtures}/" DESTINATION "${dir}/fixtures")
