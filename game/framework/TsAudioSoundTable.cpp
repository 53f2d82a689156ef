#include "game/framework/TsAudioSoundTable.h"

// Records 1-3 stay empty: the level fills in its own music when it starts.
const TsAudioSoundRecord TsAudioSoundTable[NUM_OF_SOUNDS] = {
    {0, "data\\audio\\music\\frontend.wav"}, // AID_FRONTEND_MUSIC
    {1, ""}, // AID_BED_MUSIC
    {2, ""}, // AID_AMB_MUSIC
    {3, ""}, // AID_ACT_MUSIC
    {4, "data\\audio\\soundfx\\pain etc\\vessa_pain1.wav"}, // AID_VESSA_PAIN1
    {5, "data\\audio\\soundfx\\pain etc\\vessa_pain2.wav"}, // AID_VESSA_PAIN2
    {6, "data\\audio\\soundfx\\pain etc\\vessa_death.wav"}, // AID_VESSA_DEATH
    {7, "data\\audio\\soundfx\\pain etc\\vessa_alert.wav"}, // AID_VESSA_ALERT
    {8, "data\\audio\\soundfx\\pain etc\\vessa_damage50.wav"}, // AID_VESSA_DAMAGE50
    {9, "data\\audio\\soundfx\\pain etc\\vessa_damage10.wav"}, // AID_VESSA_DAMAGE10
    {10, "data\\audio\\soundfx\\pain etc\\vessa_weaponempty.wav"}, // AID_VESSA_WEAPONEMPTY
    {11, "data\\audio\\soundfx\\pain etc\\vessa_cannotpickup.wav"}, // AID_VESSA_CANNOTPICKUP
    {12, "data\\audio\\soundfx\\pain etc\\vessa_healed.wav"}, // AID_VESSA_HEALED
    {13, "data\\audio\\soundfx\\pain etc\\vessa_give.wav"}, // AID_VESSA_GIVE
    {14, "data\\audio\\soundfx\\pain etc\\vessa_tamsaheal.wav"}, // AID_VESSA_TAMSAHEAL
    {15, "data\\audio\\soundfx\\pain etc\\pellin_pain1.wav"}, // AID_PELLIN_PAIN1
    {16, "data\\audio\\soundfx\\pain etc\\pellin_pain2.wav"}, // AID_PELLIN_PAIN2
    {17, "data\\audio\\soundfx\\pain etc\\pellin_death.wav"}, // AID_PELLIN_DEATH
    {18, "data\\audio\\soundfx\\pain etc\\pellin_alert.wav"}, // AID_PELLIN_ALERT
    {19, "data\\audio\\soundfx\\pain etc\\pellin_damage50.wav"}, // AID_PELLIN_DAMAGE50
    {20, "data\\audio\\soundfx\\pain etc\\pellin_damage10.wav"}, // AID_PELLIN_DAMAGE10
    {21, "data\\audio\\soundfx\\pain etc\\pellin_weaponempty.wav"}, // AID_PELLIN_WEAPONEMPTY
    {22, "data\\audio\\soundfx\\pain etc\\pellin_cannotpickup.wav"}, // AID_PELLIN_CANNOTPICKUP
    {23, "data\\audio\\soundfx\\pain etc\\pellin_healed.wav"}, // AID_PELLIN_HEALED
    {24, "data\\audio\\soundfx\\pain etc\\pellin_give.wav"}, // AID_PELLIN_GIVE
    {25, "data\\audio\\soundfx\\pain etc\\pellin_tamsaheal.wav"}, // AID_PELLIN_TAMSAHEAL
    {26, "data\\audio\\soundfx\\pain etc\\hadley_pain1.wav"}, // AID_HADLEY_PAIN1
    {27, "data\\audio\\soundfx\\pain etc\\hadley_pain2.wav"}, // AID_HADLEY_PAIN2
    {28, "data\\audio\\soundfx\\pain etc\\hadley_death.wav"}, // AID_HADLEY_DEATH
    {29, "data\\audio\\soundfx\\pain etc\\hadley_alert.wav"}, // AID_HADLEY_ALERT
    {30, "data\\audio\\soundfx\\pain etc\\hadley_damage50.wav"}, // AID_HADLEY_DAMAGE50
    {31, "data\\audio\\soundfx\\pain etc\\hadley_damage10.wav"}, // AID_HADLEY_DAMAGE10
    {32, "data\\audio\\soundfx\\pain etc\\hadley_weaponempty.wav"}, // AID_HADLEY_WEAPONEMPTY
    {33, "data\\audio\\soundfx\\pain etc\\hadley_cannotpickup.wav"}, // AID_HADLEY_CANNOTPICKUP
    {34, "data\\audio\\soundfx\\pain etc\\hadley_healed.wav"}, // AID_HADLEY_HEALED
    {35, "data\\audio\\soundfx\\pain etc\\hadley_give.wav"}, // AID_HADLEY_GIVE
    {36, "data\\audio\\soundfx\\pain etc\\hadley_tamsaheal.wav"}, // AID_HADLEY_TAMSAHEAL
    {37, "data\\audio\\soundfx\\pain etc\\brusk_pain1.wav"}, // AID_BRUSK_PAIN1
    {38, "data\\audio\\soundfx\\pain etc\\brusk_pain2.wav"}, // AID_BRUSK_PAIN2
    {39, "data\\audio\\soundfx\\pain etc\\brusk_death.wav"}, // AID_BRUSK_DEATH
    {40, "data\\audio\\soundfx\\pain etc\\brusk_alert.wav"}, // AID_BRUSK_ALERT
    {41, "data\\audio\\soundfx\\pain etc\\brusk_damage50.wav"}, // AID_BRUSK_DAMAGE50
    {42, "data\\audio\\soundfx\\pain etc\\brusk_damage10.wav"}, // AID_BRUSK_DAMAGE10
    {43, "data\\audio\\soundfx\\pain etc\\brusk_weaponempty.wav"}, // AID_BRUSK_WEAPONEMPTY
    {44, "data\\audio\\soundfx\\pain etc\\brusk_cannotpickup.wav"}, // AID_BRUSK_CANNOTPICKUP
    {45, "data\\audio\\soundfx\\pain etc\\brusk_healed.wav"}, // AID_BRUSK_HEALED
    {46, "data\\audio\\soundfx\\pain etc\\brusk_give.wav"}, // AID_BRUSK_GIVE
    {47, "data\\audio\\soundfx\\pain etc\\brusk_tamsaheal.wav"}, // AID_BRUSK_TAMSAHEAL
    {48, "data\\audio\\soundfx\\pain etc\\orrick_pain1.wav"}, // AID_ORRICK_PAIN1
    {49, "data\\audio\\soundfx\\pain etc\\orrick_pain2.wav"}, // AID_ORRICK_PAIN2
    {50, "data\\audio\\soundfx\\pain etc\\orrick_death.wav"}, // AID_ORRICK_DEATH
    {51, "data\\audio\\soundfx\\pain etc\\orrick_alert.wav"}, // AID_ORRICK_ALERT
    {52, "data\\audio\\soundfx\\pain etc\\orrick_damage50.wav"}, // AID_ORRICK_DAMAGE50
    {53, "data\\audio\\soundfx\\pain etc\\orrick_damage10.wav"}, // AID_ORRICK_DAMAGE10
    {54, "data\\audio\\soundfx\\pain etc\\orrick_weaponempty.wav"}, // AID_ORRICK_WEAPONEMPTY
    {55, "data\\audio\\soundfx\\pain etc\\orrick_cannotpickup.wav"}, // AID_ORRICK_CANNOTPICKUP
    {56, "data\\audio\\soundfx\\pain etc\\orrick_healed.wav"}, // AID_ORRICK_HEALED
    {57, "data\\audio\\soundfx\\pain etc\\orrick_give.wav"}, // AID_ORRICK_GIVE
    {58, "data\\audio\\soundfx\\pain etc\\orrick_tamsaheal.wav"}, // AID_ORRICK_TAMSAHEAL
    {59, "data\\audio\\soundfx\\pain etc\\tamsa_pain1.wav"}, // AID_TAMSA_PAIN1
    {60, "data\\audio\\soundfx\\pain etc\\tamsa_pain2.wav"}, // AID_TAMSA_PAIN2
    {61, "data\\audio\\soundfx\\pain etc\\tamsa_death.wav"}, // AID_TAMSA_DEATH
    {62, "data\\audio\\soundfx\\pain etc\\tamsa_alert.wav"}, // AID_TAMSA_ALERT
    {63, "data\\audio\\soundfx\\pain etc\\tamsa_damage50.wav"}, // AID_TAMSA_DAMAGE50
    {64, "data\\audio\\soundfx\\pain etc\\tamsa_damage10.wav"}, // AID_TAMSA_DAMAGE10
    {65, "data\\audio\\soundfx\\pain etc\\tamsa_weaponempty.wav"}, // AID_TAMSA_WEAPONEMPTY
    {66, "data\\audio\\soundfx\\pain etc\\tamsa_cannotpickup.wav"}, // AID_TAMSA_CANNOTPICKUP
    {67, "data\\audio\\soundfx\\pain etc\\tamsa_healed.wav"}, // AID_TAMSA_HEALED
    {68, "data\\audio\\soundfx\\pain etc\\tamsa_give.wav"}, // AID_TAMSA_GIVE
    {69, "data\\audio\\soundfx\\pain etc\\insect_med_pain1.wav"}, // AID_INSECT_MED_PAIN1
    {70, "data\\audio\\soundfx\\pain etc\\insect_med_pain2.wav"}, // AID_INSECT_MED_PAIN2
    {71, "data\\audio\\soundfx\\pain etc\\insect_med_pain3.wav"}, // AID_INSECT_MED_PAIN3
    {72, "data\\audio\\soundfx\\pain etc\\insect_med_death1.wav"}, // AID_INSECT_MED_DEATH1
    {73, "data\\audio\\soundfx\\pain etc\\insect_med_death2.wav"}, // AID_INSECT_MED_DEATH2
    {74, "data\\audio\\soundfx\\pain etc\\insect_med_alert1.wav"}, // AID_INSECT_MED_ALERT1
    {75, "data\\audio\\soundfx\\pain etc\\insect_huge_pain1.wav"}, // AID_INSECT_HUGE_PAIN1
    {76, "data\\audio\\soundfx\\pain etc\\insect_huge_pain2.wav"}, // AID_INSECT_HUGE_PAIN2
    {77, "data\\audio\\soundfx\\pain etc\\insect_huge_pain3.wav"}, // AID_INSECT_HUGE_PAIN3
    {78, "data\\audio\\soundfx\\pain etc\\insect_huge_death1.wav"}, // AID_INSECT_HUGE_DEATH1
    {79, "data\\audio\\soundfx\\pain etc\\insect_huge_death2.wav"}, // AID_INSECT_HUGE_DEATH2
    {80, "data\\audio\\soundfx\\pain etc\\insect_huge_alert1.wav"}, // AID_INSECT_HUGE_ALERT1
    {81, "data\\audio\\soundfx\\pain etc\\mammal_small_pain1.wav"}, // AID_MAMMAL_SMALL_PAIN1
    {82, "data\\audio\\soundfx\\pain etc\\mammal_small_pain2.wav"}, // AID_MAMMAL_SMALL_PAIN2
    {83, "data\\audio\\soundfx\\pain etc\\mammal_small_pain3.wav"}, // AID_MAMMAL_SMALL_PAIN3
    {84, "data\\audio\\soundfx\\pain etc\\mammal_small_death1.wav"}, // AID_MAMMAL_SMALL_DEATH1
    {85, "data\\audio\\soundfx\\pain etc\\mammal_small_death2.wav"}, // AID_MAMMAL_SMALL_DEATH2
    {86, "data\\audio\\soundfx\\pain etc\\mammal_small_alert1.wav"}, // AID_MAMMAL_SMALL_ALERT1
    {87, "data\\audio\\soundfx\\pain etc\\mammal_med_pain1.wav"}, // AID_MAMMAL_MED_PAIN1
    {88, "data\\audio\\soundfx\\pain etc\\mammal_med_pain2.wav"}, // AID_MAMMAL_MED_PAIN2
    {89, "data\\audio\\soundfx\\pain etc\\mammal_med_pain3.wav"}, // AID_MAMMAL_MED_PAIN3
    {90, "data\\audio\\soundfx\\pain etc\\mammal_med_death1.wav"}, // AID_MAMMAL_MED_DEATH1
    {91, "data\\audio\\soundfx\\pain etc\\mammal_med_death2.wav"}, // AID_MAMMAL_MED_DEATH2
    {92, "data\\audio\\soundfx\\pain etc\\mammal_med_alert1.wav"}, // AID_MAMMAL_MED_ALERT1
    {93, "data\\audio\\soundfx\\pain etc\\mammal_huge_pain1.wav"}, // AID_MAMMAL_HUGE_PAIN1
    {94, "data\\audio\\soundfx\\pain etc\\mammal_huge_pain2.wav"}, // AID_MAMMAL_HUGE_PAIN2
    {95, "data\\audio\\soundfx\\pain etc\\mammal_huge_pain3.wav"}, // AID_MAMMAL_HUGE_PAIN3
    {96, "data\\audio\\soundfx\\pain etc\\mammal_huge_death1.wav"}, // AID_MAMMAL_HUGE_DEATH1
    {97, "data\\audio\\soundfx\\pain etc\\mammal_huge_death2.wav"}, // AID_MAMMAL_HUGE_DEATH2
    {98, "data\\audio\\soundfx\\pain etc\\mammal_huge_alert1.wav"}, // AID_MAMMAL_HUGE_ALERT1
    {99, "data\\audio\\soundfx\\pain etc\\mecha_med_pain1.wav"}, // AID_MECHA_MED_PAIN1
    {100, "data\\audio\\soundfx\\pain etc\\mecha_med_pain2.wav"}, // AID_MECHA_MED_PAIN2
    {101, "data\\audio\\soundfx\\pain etc\\mecha_med_pain3.wav"}, // AID_MECHA_MED_PAIN3
    {102, "data\\audio\\soundfx\\pain etc\\mecha_med_death1.wav"}, // AID_MECHA_MED_DEATH1
    {103, "data\\audio\\soundfx\\pain etc\\mecha_med_death2.wav"}, // AID_MECHA_MED_DEATH2
    {104, "data\\audio\\soundfx\\pain etc\\mecha_med_alert1.wav"}, // AID_MECHA_MED_ALERT1
    {105, "data\\audio\\soundfx\\pain etc\\cavern_pain1.wav"}, // AID_CAVERN_PAIN1
    {106, "data\\audio\\soundfx\\pain etc\\cavern_pain2.wav"}, // AID_CAVERN_PAIN2
    {107, "data\\audio\\soundfx\\pain etc\\cavern_death.wav"}, // AID_CAVERN_DEATH
    {108, "data\\audio\\soundfx\\pain etc\\cavern_alert.wav"}, // AID_CAVERN_ALERT
    {109, "data\\audio\\soundfx\\pain etc\\fem_wd_pain1.wav"}, // AID_FEM_WD_PAIN1
    {110, "data\\audio\\soundfx\\pain etc\\fem_wd_pain2.wav"}, // AID_FEM_WD_PAIN2
    {111, "data\\audio\\soundfx\\pain etc\\fem_wd_death.wav"}, // AID_FEM_WD_DEATH
    {112, "data\\audio\\soundfx\\pain etc\\fem_wd_alert.wav"}, // AID_FEM_WD_ALERT
    {113, "data\\audio\\soundfx\\pain etc\\mal_wd_pain1.wav"}, // AID_MAL_WD_PAIN1
    {114, "data\\audio\\soundfx\\pain etc\\mal_wd_pain2.wav"}, // AID_MAL_WD_PAIN2
    {115, "data\\audio\\soundfx\\pain etc\\mal_wd_death.wav"}, // AID_MAL_WD_DEATH
    {116, "data\\audio\\soundfx\\pain etc\\mal_wd_alert.wav"}, // AID_MAL_WD_ALERT
    {117, "data\\audio\\soundfx\\pain etc\\raider_pain1.wav"}, // AID_RAIDER_PAIN1
    {118, "data\\audio\\soundfx\\pain etc\\raider_pain2.wav"}, // AID_RAIDER_PAIN2
    {119, "data\\audio\\soundfx\\pain etc\\raider_death.wav"}, // AID_RAIDER_DEATH
    {120, "data\\audio\\soundfx\\pain etc\\raider_alert.wav"}, // AID_RAIDER_ALERT
    {121, "data\\audio\\soundfx\\pain etc\\gorrath_pain1.wav"}, // AID_GORRATH_PAIN1
    {122, "data\\audio\\soundfx\\pain etc\\gorrath_pain2.wav"}, // AID_GORRATH_PAIN2
    {123, "data\\audio\\soundfx\\pain etc\\gorrath_death.wav"}, // AID_GORRATH_DEATH
    {124, "data\\audio\\soundfx\\pain etc\\gorrath_alert.wav"}, // AID_GORRATH_ALERT
    {125, "data\\audio\\soundfx\\pain etc\\quorvian_pain1.wav"}, // AID_QUORVIAN_PAIN1
    {126, "data\\audio\\soundfx\\pain etc\\quorvian_pain2.wav"}, // AID_QUORVIAN_PAIN2
    {127, "data\\audio\\soundfx\\pain etc\\quorvian_death.wav"}, // AID_QUORVIAN_DEATH
    {128, "data\\audio\\soundfx\\pain etc\\quorvian_alert.wav"}, // AID_QUORVIAN_ALERT
    {129, "data\\audio\\soundfx\\pain etc\\fumarid_pain1.wav"}, // AID_FUMARID_PAIN1
    {130, "data\\audio\\soundfx\\pain etc\\fumarid_pain2.wav"}, // AID_FUMARID_PAIN2
    {131, "data\\audio\\soundfx\\pain etc\\fumarid_death.wav"}, // AID_FUMARID_DEATH
    {132, "data\\audio\\soundfx\\pain etc\\fumarid_alert.wav"}, // AID_FUMARID_ALERT
    {133, "data\\audio\\soundfx\\pain etc\\lizardman_pain1.wav"}, // AID_LIZARDMAN_PAIN1
    {134, "data\\audio\\soundfx\\pain etc\\lizardman_pain2.wav"}, // AID_LIZARDMAN_PAIN2
    {135, "data\\audio\\soundfx\\pain etc\\lizardman_death.wav"}, // AID_LIZARDMAN_DEATH
    {136, "data\\audio\\soundfx\\pain etc\\lizardman_alert.wav"}, // AID_LIZARDMAN_ALERT
    {137, "data\\audio\\soundfx\\pain etc\\birdman_pain1.wav"}, // AID_BIRDMAN_PAIN1
    {138, "data\\audio\\soundfx\\pain etc\\birdman_pain2.wav"}, // AID_BIRDMAN_PAIN2
    {139, "data\\audio\\soundfx\\pain etc\\birdman_death.wav"}, // AID_BIRDMAN_DEATH
    {140, "data\\audio\\soundfx\\pain etc\\birdman_alert.wav"}, // AID_BIRDMAN_ALERT
    {141, "data\\audio\\soundfx\\pain etc\\zombie_pain1.wav"}, // AID_ZOMBIE_PAIN1
    {142, "data\\audio\\soundfx\\pain etc\\zombie_pain2.wav"}, // AID_ZOMBIE_PAIN2
    {143, "data\\audio\\soundfx\\pain etc\\zombie_death.wav"}, // AID_ZOMBIE_DEATH
    {144, "data\\audio\\soundfx\\pain etc\\zombie_alert.wav"}, // AID_ZOMBIE_ALERT
    {145, "data\\audio\\soundfx\\pain etc\\squid_pain1.wav"}, // AID_SQUID_PAIN1
    {146, "data\\audio\\soundfx\\pain etc\\squid_pain2.wav"}, // AID_SQUID_PAIN2
    {147, "data\\audio\\soundfx\\pain etc\\squid_death.wav"}, // AID_SQUID_DEATH
    {148, "data\\audio\\soundfx\\pain etc\\squid_alert.wav"}, // AID_SQUID_ALERT
    {149, "data\\audio\\soundfx\\pain etc\\triffid_pain1.wav"}, // AID_TRIFFID_PAIN1
    {150, "data\\audio\\soundfx\\pain etc\\triffid_pain2.wav"}, // AID_TRIFFID_PAIN2
    {151, "data\\audio\\soundfx\\pain etc\\triffid_death.wav"}, // AID_TRIFFID_DEATH
    {152, "data\\audio\\soundfx\\pain etc\\triffid_alert.wav"}, // AID_TRIFFID_ALERT
    {153, "data\\audio\\soundfx\\pain etc\\flower_death.wav"}, // AID_FLOWER_DEATH
    {154, "data\\audio\\soundfx\\weapon_chainpulserloop.wav"}, // AID_WEAPON_CHAINPULSERLOOP
    {155, "data\\audio\\soundfx\\weapon_chainpulserstop.wav"}, // AID_WEAPON_CHAINPULSERSTOP
    {156, "data\\audio\\soundfx\\weapon_drydeep.wav"}, // AID_WEAPON_DRYDEEP
    {157, "data\\audio\\soundfx\\weapon_dryhigh.wav"}, // AID_WEAPON_DRYHIGH
    {158, "data\\audio\\soundfx\\weapon_drymed.wav"}, // AID_WEAPON_DRYMED
    {159, "data\\audio\\soundfx\\weapon_gasexplosion.wav"}, // AID_WEAPON_GASEXPLOSION
    {160, "data\\audio\\soundfx\\weapon_largeexplosion.wav"}, // AID_WEAPON_LARGEEXPLOSION
    {161, "data\\audio\\soundfx\\weapon_smallexplosion.wav"}, // AID_WEAPON_SMALLEXPLOSION
    {162, "data\\audio\\soundfx\\weapon_flamethrowloop.wav"}, // AID_WEAPON_FLAMETHROWLOOP
    {163, "data\\audio\\soundfx\\weapon_flamethrowstart.wav"}, // AID_WEAPON_FLAMETHROWSTART
    {164, "data\\audio\\soundfx\\weapon_flamethrow2.wav"}, // AID_WEAPON_FLAMETHROW2
    {165, "data\\audio\\soundfx\\weapon_heavypulse.wav"}, // AID_WEAPON_HEAVYPULSE
    {166, "data\\audio\\soundfx\\weapon_hollowmortar.wav"}, // AID_WEAPON_HOLLOWMORTAR
    {167, "data\\audio\\soundfx\\weapon_scattermortar.wav"}, // AID_WEAPON_SCATTERMORTAR
    {168, "data\\audio\\soundfx\\weapon_meleeblunt.wav"}, // AID_WEAPON_MELEEBLUNT
    {169, "data\\audio\\soundfx\\weapon_meleecharged.wav"}, // AID_WEAPON_MELEECHARGED
    {170, "data\\audio\\soundfx\\weapon_meleeedged.wav"}, // AID_WEAPON_MELEEEDGED
    {171, "data\\audio\\soundfx\\weapon_meleeedged2.wav"}, // AID_WEAPON_MELEEEDGED2
    {172, "data\\audio\\soundfx\\weapon_mutedgun.wav"}, // AID_WEAPON_MUTEDGUN
    {173, "data\\audio\\soundfx\\weapon_pulsepistol.wav"}, // AID_WEAPON_PULSEPISTOL
    {174, "data\\audio\\soundfx\\weapon_pulserifleloop.wav"}, // AID_WEAPON_PULSERIFLELOOP
    {175, "data\\audio\\soundfx\\weapon_pulseriflestop.wav"}, // AID_WEAPON_PULSERIFLESTOP
    {176, "data\\audio\\soundfx\\weapon_varnblade.wav"}, // AID_WEAPON_VARNBLADE
    {177, "data\\audio\\soundfx\\weapon_rocket.wav"}, // AID_WEAPON_ROCKET
    {178, "data\\audio\\soundfx\\weapon_rocket2.wav"}, // AID_WEAPON_ROCKET2
    {179, "data\\audio\\soundfx\\weapon_sleepmistgrenade.wav"}, // AID_WEAPON_SLEEPMISTGRENADE
    {180, "data\\audio\\soundfx\\weapon_stasispistol.wav"}, // AID_WEAPON_STASISPISTOL
    {181, "data\\audio\\soundfx\\weapon_tongueattack.wav"}, // AID_WEAPON_TONGUEATTACK
    {182, "data\\audio\\soundfx\\weapon_longarm.wav"}, // AID_WEAPON_LONGARM
    {183, "data\\audio\\soundfx\\weapon_longarm_impact.wav"}, // AID_WEAPON_LONGARM_IMPACT
    {184, "data\\audio\\soundfx\\weapon_punisher1.wav"}, // AID_WEAPON_PUNISHER1
    {185, "data\\audio\\soundfx\\weapon_punisher1_impact.wav"}, // AID_WEAPON_PUNISHER1_IMPACT
    {186, "data\\audio\\soundfx\\weapon_punisher2.wav"}, // AID_WEAPON_PUNISHER2
    {187, "data\\audio\\soundfx\\weapon_punisher2_loop.wav"}, // AID_WEAPON_PUNISHER2_LOOP
    {188, "data\\audio\\soundfx\\weapon_punisher2_impact.wav"}, // AID_WEAPON_PUNISHER2_IMPACT
    {189, "data\\audio\\soundfx\\weapon_triffid_attack.wav"}, // AID_WEAPON_TRIFFID_ATTACK
    {190, "data\\audio\\soundfx\\weapon_plantspit.wav"}, // AID_WEAPON_PLANTSPIT
    {191, "data\\audio\\soundfx\\weapon_tamsa_heal1.wav"}, // AID_WEAPON_TAMSA_HEAL1
    {192, "data\\audio\\soundfx\\weapon_tamsa_heal2.wav"}, // AID_WEAPON_TAMSA_HEAL2
    {193, "data\\audio\\soundfx\\weapon_teapelauncher.wav"}, // AID_WEAPON_TEAPELAUNCHER
    {194, "data\\audio\\soundfx\\weapon_kestle2.wav"}, // AID_WEAPON_KESTLE2
    {195, "data\\audio\\soundfx\\weapon_fumaridflame1.wav"}, // AID_WEAPON_FUMARIDFLAME1
    {196, "data\\audio\\soundfx\\weapon_fumaridflame2.wav"}, // AID_WEAPON_FUMARIDFLAME2
    {197, "data\\audio\\soundfx\\weapon_fumaridflame3.wav"}, // AID_WEAPON_FUMARIDFLAME3
    {198, "data\\audio\\soundfx\\small_boom.wav"}, // AID_SMALL_BOOM
    {199, "data\\audio\\soundfx\\gui_sound1.wav"}, // AID_GUI_SOUND1
    {200, "data\\audio\\soundfx\\gui_sound2.wav"}, // AID_GUI_SOUND2
    {201, "data\\audio\\soundfx\\gui_sound3.wav"}, // AID_GUI_SOUND3
    {202, "data\\audio\\soundfx\\gui_sound4.wav"}, // AID_GUI_SOUND4
    {203, "data\\audio\\soundfx\\gui_sound5.wav"}, // AID_GUI_SOUND5
    {204, "data\\audio\\soundfx\\gui_click.wav"}, // AID_GUI_CLICK
    {205, "data\\audio\\soundfx\\gui_panelclose.wav"}, // AID_GUI_PANELCLOSE
    {206, "data\\audio\\soundfx\\gui_panelopen.wav"}, // AID_GUI_PANELOPEN
    {207, "data\\audio\\soundfx\\gui_screenhighlight.wav"}, // AID_GUI_SCREENHIGHLIGHT
    {208, "data\\audio\\soundfx\\gui_screenpickup.wav"}, // AID_GUI_SCREENPICKUP
    {209, "data\\audio\\soundfx\\gui_screenputdown.wav"}, // AID_GUI_SCREENPUTDOWN
    {210, "data\\audio\\soundfx\\popup_highlight.wav"}, // AID_POPUP_HIGHLIGHT
    {211, "data\\audio\\soundfx\\popup_open.wav"}, // AID_POPUP_OPEN
    {212, "data\\audio\\soundfx\\popup_select.wav"}, // AID_POPUP_SELECT
    {213, "data\\audio\\soundfx\\gui_buy.wav"}, // AID_GUI_BUY
    {214, "data\\audio\\soundfx\\gui_sell.wav"}, // AID_GUI_SELL
    {215, "data\\audio\\soundfx\\gui_exit.wav"}, // AID_GUI_EXIT
    {216, "data\\audio\\soundfx\\item_bioscannerloop.wav"}, // AID_ITEM_BIOSCANNERLOOP
    {217, "data\\audio\\soundfx\\itemdropdull.wav"}, // AID_ITEMDROPDULL
    {218, "data\\audio\\soundfx\\itemdropmetal.wav"}, // AID_ITEMDROPMETAL
    {219, "data\\audio\\soundfx\\itemdropsharp.wav"}, // AID_ITEMDROPSHARP
    {220, "data\\audio\\soundfx\\shieldloop.wav"}, // AID_SHIELDLOOP
    {221, "data\\audio\\soundfx\\computer_hacking.wav"}, // AID_COMPUTER_HACKING
    {222, "data\\audio\\soundfx\\player_recharging.wav"}, // AID_PLAYER_RECHARGING
    {223, "data\\audio\\soundfx\\trigger_beepbad.wav"}, // AID_TRIGGER_BEEPBAD
    {224, "data\\audio\\soundfx\\trigger_beepgood.wav"}, // AID_TRIGGER_BEEPGOOD
    {225, "data\\audio\\soundfx\\trigger_beepmidtone.wav"}, // AID_TRIGGER_BEEPMIDTONE
    {226, "data\\audio\\soundfx\\trigger_bodyslider.wav"}, // AID_TRIGGER_BODYSLIDER
    {227, "data\\audio\\soundfx\\trigger_doubledoor.wav"}, // AID_TRIGGER_DOUBLEDOOR
    {228, "data\\audio\\soundfx\\trigger_doorhalcyoncell.wav"}, // AID_TRIGGER_DOORHALCYONCELL
    {229, "data\\audio\\soundfx\\trigger_singledoor.wav"}, // AID_TRIGGER_SINGLEDOOR
    {230, "data\\audio\\soundfx\\trigger_doorvent1.wav"}, // AID_TRIGGER_DOORVENT1
    {231, "data\\audio\\soundfx\\trigger_doorvent2.wav"}, // AID_TRIGGER_DOORVENT2
    {232, "data\\audio\\soundfx\\trigger_lockhackfail.wav"}, // AID_TRIGGER_LOCKHACKFAIL
    {233, "data\\audio\\soundfx\\trigger_unlock.wav"}, // AID_TRIGGER_UNLOCK
    {234, "data\\audio\\soundfx\\mineplant_open.wav"}, // AID_MINEPLANT_OPEN
    {235, "data\\audio\\soundfx\\orrick_fart1.wav"}, // AID_ORRICK_FART1
    {236, "data\\audio\\soundfx\\orrick_fart2.wav"}, // AID_ORRICK_FART2
    {237, "data\\audio\\soundfx\\pickupclick.wav"}, // AID_PICKUPCLICK
    {238, "data\\audio\\soundfx\\music_sample.wav"}, // AID_MUSIC_SAMPLE
    {239, "data\\audio\\soundfx\\factory_alarm.wav"}, // AID_FACTORY_ALARM
};
