object InputReqDialog: TInputReqDialog
  Left = 300
  Top = 200
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Input Requested'
  ClientHeight = 306
  ClientWidth = 368
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  PixelsPerInch = 96
  object MessagePanel: TPanel
    Left = 8
    Top = 8
    Width = 352
    Height = 58
    BevelOuter = bvLowered
    TabOrder = 0
    object InputMessage: TLabel
      Left = 8
      Top = 6
      Width = 336
      Height = 46
      AutoSize = False
      WordWrap = True
    end
  end
  object InputOptions: TPanel
    Left = 8
    Top = 74
    Width = 352
    Height = 92
    BevelOuter = bvLowered
    TabOrder = 1
  end
  object HelpPanel: TPanel
    Left = 8
    Top = 174
    Width = 352
    Height = 58
    BevelOuter = bvLowered
    TabOrder = 2
    object ErrorHelp: TLabel
      Left = 8
      Top = 6
      Width = 336
      Height = 46
      AutoSize = False
      WordWrap = True
    end
  end
  object NoPromptAgain: TCheckBox
    Left = 10
    Top = 242
    Width = 200
    Height = 17
    Caption = 'Don''t Prompt Again'
    TabOrder = 3
  end
  object OKButton: TButton
    Left = 204
    Top = 272
    Width = 75
    Height = 25
    Caption = '&OK'
    Default = True
    ModalResult = 1
    TabOrder = 4
  end
  object CancelButton: TButton
    Left = 285
    Top = 272
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 5
  end
end
