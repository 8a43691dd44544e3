# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# A new user with empty fields picks every menu command and presses every panel button:
# each gets an answer from the simulated controller (failures included) and nothing hangs.
# "&Power Off" and "&Exit" come last: after them the controller answers nothing.
# &Editor/OC &Insert
menu 32814
wait
# &Editor/OC I&nsert Block
menu 32916
wait
# &Editor/OC C&hange
menu 32815
wait
# &Editor/OC &Redecl
menu 32816
wait
# &Editor/OC &Delete
menu 32817
wait
# &Editor/OC Delete &Block
menu 32825
wait
# &Editor/&Open
menu 32740
wait
# &Editor/&Close
menu 32741
wait
# &Editor/I&nsert
menu 32742
wait
# &Editor/Ch&ange
menu 32743
wait
# &Editor/R&edecl
menu 32744
wait
# &Editor/De&lete
menu 32745
wait
# &Editor/&Print
menu 32746
wait
# &Editor/Descr &Mode
menu 32747
wait
# &Editor/&Analyse
menu 32818
wait
# &Datei/D&ir
menu 32720
wait
# &Datei/&DownLoad
menu 32721
wait
# &Datei/&UpLoad
menu 32722
wait
# &Datei/&Copy
menu 32725
wait
# &Datei/D&elete
menu 32726
wait
# &Datei/&Access
menu 32828
wait
# &Datei/&User
menu 32829
wait
# &Datei/C&omment
menu 32830
wait
# Ini&t/&Init
menu 32810
wait
# Ini&t/&GetRobots
menu 32701
wait
# Diver&ses/&Async Confirm
menu 32919
wait
# Diver&ses/Async Ans&wer
menu 32920
wait
# Diver&ses/&Confirm
menu 32702
wait
# Diver&ses/&Get Message Buffer
menu 32908
wait
# Diver&ses/A&bort
menu 32806
wait
# Diver&ses/&Disable Start
menu 32841
wait
# Diver&ses/&Masch.Dat o.k.
menu 32809
wait
# Diver&ses/&VDX o.k.
menu 32826
wait
# Diver&ses/&Akku Off
menu 32813
wait
# Diver&ses/IO &Restart
menu 32823
wait
# Diver&ses/IO &Bus Info
menu 32824
wait
# Diver&ses/&Active/&Get
menu 32902
wait
# Diver&ses/&Active/&Set
menu 32903
wait
# Diver&ses/&Active/&Notify
menu 32904
wait
# Diver&ses/&Tandix/&Tandix
menu 32890
wait
# Diver&ses/&Tandix/&Get Config
menu 32914
wait
# Diver&ses/&Tandix/&Set Config
menu 32915
wait
# &FileManager/Item (&Domain)/&Select
menu 32859
wait
# &FileManager/Item (&Domain)/&Run
menu 32860
wait
# &FileManager/Item (&Domain)/R&eset
menu 32861
wait
# &FileManager/Item (&Domain)/St&art
menu 32907
wait
# &FileManager/Item (&Domain)/S&top
menu 32862
wait
# &FileManager/Item (&Domain)/&Cancel
menu 32863
wait
# &FileManager/Item (&Domain)/&Analyse
menu 32864
wait
# &FileManager/Item (&Domain)/Analyse &Mode
menu 32897
wait
# &FileManager/Item (&Domain)/&Link
menu 32909
wait
# &FileManager/Item (&Domain)/&Unlink
menu 32910
wait
# &FileManager/&Item/Get&Prop
menu 32849
wait
# &FileManager/&Item/Get C&RC
menu 32913
wait
# &FileManager/&Item/Set&Name
menu 32850
wait
# &FileManager/&Item/Set&Attribute
menu 32851
wait
# &FileManager/&Item/Name&List
menu 32852
wait
# &FileManager/&Item/&Create
menu 32853
wait
# &FileManager/&Item/&Destroy
menu 32854
wait
# &FileManager/&Item/C&opy
menu 32855
wait
# &FileManager/&Item/Copy &SrcMem
menu 32888
wait
# &FileManager/&Item/Copy D&estMem
menu 32889
wait
# &FileManager/&Item/&Move
menu 32856
wait
# &FileManager/&Item/Compar&e
menu 32857
wait
# Diver&ses/&Log/&Write Plexa Log
menu 32827
wait
# Diver&ses/&Log/&Get Log Options
menu 32839
wait
# Diver&ses/&Log/&Set Log Options
menu 32840
wait
# &Log/Add &Item
menu 32917
wait
# &Log/&Get Item
menu 32918
wait
# &Log/&Flush
menu 32899
wait
# &Log/Get &Header
menu 32901
wait
# &Log/Get &Config
menu 32911
wait
# &Log/&Set Config
menu 32912
wait
# &Log/&Add Entry
menu 32898
wait
# &Log/Get &Entries
menu 32900
wait
# &FileManager/Module&Code/Get&Prop
menu 32865
wait
# &FileManager/Module&Code/&Open
menu 32866
wait
# &FileManager/Module&Code/&Close
menu 32867
wait
# &FileManager/Module&Code/&GetLines
menu 32868
wait
# &FileManager/Module&Code/&InsertLines
menu 32869
wait
# &FileManager/Module&Code/&DeleteLines
menu 32870
wait
# &FileManager/Module&Code/&ReplaceLines
menu 32871
wait
# &FileManager/Module&Code/R&edeclare
menu 32872
wait
# &FileManager/Module&Code/&Find
menu 32873
wait
# &FileManager/Module&Code/Find&Struct
menu 32874
wait
# &FileManager/Module&Code/Selec&t
menu 32906
wait
# &FileManager/Module&Code/Select&Line
menu 32875
wait
# &FileManager/&ModuleInformation/Get&Prop
menu 32876
wait
# &FileManager/&ModuleInformation/&SetProp
menu 32877
wait
# &FileManager/&ModuleInformation/Get&UserAttribute
menu 32878
wait
# &FileManager/&ModuleInformation/SetUser&Attribute
menu 32879
wait
# &FileManager/&ModuleInformation/UserAttributes&List
menu 32880
wait
# &FileManager/&ModuleInformation/&DependenciesList
menu 32881
wait
# &FileManager/&Error/Get&Prop
menu 32882
wait
# &FileManager/&Error/&List
menu 32883
wait
# &FileManager/&Notify/&Volume
menu 32884
wait
# &FileManager/&Notify/&Item
menu 32885
wait
# &FileManager/&Notify/&ModuleInformation
menu 32886
wait
# &FileManager/&Notify/Module&Code
menu 32887
wait
# &Install/&Install
menu 32750
wait
# &Install/&End Install
menu 32751
wait
# &Install/&Adjust
menu 32752
wait
# &Move/&Move
menu 32831
wait
# &Move/Move &Off
menu 32832
wait
# &Move/Move &6D
menu 32833
wait
# &Move/Move 6D O&ff
menu 32834
wait
# &Move/RobMove &PTP
menu 32835
wait
# &Move/RobMove &LIN
menu 32836
wait
# &Move/RobMove P&TP Rel
menu 32837
wait
# &Move/RobMove L&IN Rel
menu 32838
wait
# &Programm/&Run
menu 32730
wait
# &Programm/Se&lect
menu 32731
wait
# &Programm/&Start
menu 32732
wait
# &Programm/Start &Off
menu 32733
wait
# &Programm/S&top
menu 32734
wait
# &Programm/Stop O&ff
menu 32735
wait
# &Programm/&Cancel
menu 32736
wait
# &Programm/R&eset
menu 32737
wait
# &Programm/Stop mit Option
menu 32797
wait
# &Programm/Cancel mit Option
menu 32798
wait
# &Programm/E&xecute Command
menu 32842
wait
# &Variablen/DataPath &Show
menu 32812
wait
# &Variablen/DataPath S&et
menu 32819
wait
# &Variablen/S&how
menu 32711
wait
# &Variablen/Se&t
menu 32712
wait
# &Variablen/Set&Info
menu 32713
wait
# &Variablen/DataPath SetIn&fo
menu 32905
wait
# &Variablen/SetInfo &Off
menu 32714
wait
# $MODE_OP/#EX
menu 1039
wait
# $MODE_OP/#T1
menu 1041
wait
# $MODE_OP/#T2
menu 1065
wait
# $MODE_OP/#AUTO
menu 1042
wait
# $MOUSE_ACT/TRUE
menu 1046
wait
# $MOUSE_ACT/FALSE
menu 1047
wait
# CONFIRM/ALL
menu 1073
wait
# $OV_JOG/1
menu 1052
wait
# $OV_JOG/10
menu 1053
wait
# $OV_JOG/20
menu 1054
wait
# $OV_JOG/50
menu 1055
wait
# $OV_JOG/100
menu 1056
wait
# $OV_PRO/1
menu 1045
wait
# $OV_PRO/10
menu 1048
wait
# $OV_PRO/20
menu 1049
wait
# $OV_PRO/50
menu 1050
wait
# $OV_PRO/100
menu 1051
wait
# Programm/Start
menu 1040
wait
# Programm/Off
menu 1070
wait
# Programm/Stop
menu 1071
wait
# Programm/Off
menu 1072
wait
# &FileManager/Get&ActiveModule
menu 32843
wait
# &FileManager/&Volume/Get&Prop
menu 32845
wait
# &FileManager/&Volume/Set&Name
menu 32846
wait
# &FileManager/&Volume/&Format
menu 32847
wait
# &FileManager/&Volume/Name&List
menu 32848
wait
# &FileManager/Get&FullName
menu 32895
wait
# &FileManager/Get&VDXName
menu 32896
wait
# Diver&ses/&Power Off
menu 32891
wait
# Ini&t/&Exit
menu 32811
wait
