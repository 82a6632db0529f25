# The interface-class listing and the command line, in one prefix.

# Wine's own devices only: the display adapter, the monitor and the HID keyboard and mouse, all active. (Run
# headless, Wine brings no others; on a host whose input devices Wine can open, it would list those as well.)
wine_helper(settle)
wine_devlist(interface-wine.txt interface)

# Our devices: a COM port interface that is not active, an active disk and volume interface, and two interfaces
# of a class that no catalogue row names, one active and one not.
wine_helper(interfaces)
wine_devlist(interface.txt interface)
wine_devlist(interface.txt present interface)
wine_devlist(interface-not-present.txt interface not-present)
wine_devlist(interface-not-present.txt not-present setup interface)

# One class: the heading echoes the argument as typed, the class name comes from the catalogue.
wine_devlist(keyboard-upper.txt interface {884B96C3-56EF-11D1-BC8C-00A0C91405DD})
wine_devlist(keyboard-lower.txt interface {884b96c3-56ef-11d1-bc8c-00a0c91405dd})
wine_devlist(volume.txt interface {53f5630d-b6bf-11d0-94f2-00a0c91efb8b})
wine_devlist(comport-present.txt interface {86E0D1E0-8089-11D0-9CE4-08003E301F73})
wine_devlist(comport-not-present.txt interface not-present {86E0D1E0-8089-11D0-9CE4-08003E301F73})
wine_devlist(uncatalogued-present.txt interface {8f0c2d4e-1a3b-4c5d-9e6f-7a8b9c0d1e2f})
wine_devlist(uncatalogued-not-present.txt {8F0C2D4E-1A3B-4C5D-9E6F-7A8B9C0D1E2F} not-present interface)
wine_devlist(uncatalogued-not-present.txt interface {00000000-0000-0000-0000-000000000000} not-present
             {8F0C2D4E-1A3B-4C5D-9E6F-7A8B9C0D1E2F})
wine_devlist(interface-bad-guid.txt interface {)
wine_devlist(interface-not-a-guid.txt interface {not-a-guid})

# Unknown arguments: an empty line and the usage line, named after the executable, and nothing else.
wine_devlist(usage.txt bogus)
wine_devlist(usage.txt <empty>)
wine_devlist(usage.txt Interface)
wine_devlist(usage.txt interface -setup)
wine_devlist(usage.txt setup {4d36e96b-e325-11ce-bfc1-08002be10318} extra)
wine_devlist_as(dev.list.exe usage-dev.list.txt interface /interface)

# The usage line names the executable from its whole path, also past MAX_PATH (here more than 330 characters).
string(REPEAT "d" 100 long_folder)
wine_devlist_as(${long_folder}/${long_folder}/${long_folder}/devlist.exe usage.txt bogus)

# The version is the only argument of its own: alone and spelled exactly so; near misses give the usage line.
wine_devlist(version.txt --version)
wine_devlist(usage.txt -version)
wine_devlist(usage.txt version)
wine_devlist(usage.txt --Version)
wine_devlist(usage.txt --version extra)
wine_devlist(usage.txt interface --version)

# Standard output on a full disk: the one run that ends with 1.
wine_devlist_unwritable(interface)
wine_devlist_unwritable(bogus)
